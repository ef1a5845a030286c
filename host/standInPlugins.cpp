// The stand-ins for "PFSendPicture" and the two other plug-ins, registered as
// host functions, with their delivery list.
#include "standInPlugins.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

std::vector<Delivery> deliveries;
std::function<void(const Delivery&)> deliveryWatcher;

std::vector<uint8_t> readFileBytes(const std::wstring& path, bool* found) {
    std::ifstream in(path.c_str(), std::ios::binary);
    *found = bool(in);
    if (!in)
        return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> recordBytes(int64_t address, size_t size) {
    if (address == 0)
        return {};
    auto* bytes = reinterpret_cast<const uint8_t*>(address);
    return std::vector<uint8_t>(bytes, bytes + size);
}

template <typename T>
T fieldAt(int64_t address, size_t offset) {
    T value = {};
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(address) + offset, sizeof(T));
    return value;
}

// Keeps one delivery of the file named by the record, with the verdict's answer.
int64_t keep(const std::wstring& function, std::vector<uint8_t> record, const wchar_t* fileName,
             const DeliveryVerdict& verdict) {
    Delivery delivery = {function, std::move(record), fileName ? fileName : L"", false, {}, 0};
    if (fileName)
        delivery.fileBytes = readFileBytes(delivery.fileName, &delivery.fileFound);
    delivery.result = verdict(delivery);
    deliveries.push_back(std::move(delivery));
    if (deliveryWatcher)
        deliveryWatcher(deliveries.back());
    return deliveries.back().result;
}

DeliveryVerdict always(int64_t answer) {
    return [answer](const Delivery&) { return answer; };
}

// SendPictureRecord: size, the contact at 8, the file name's address at 64.
// A call without a record is answered but not kept.
int64_t pictureTransfer(const std::wstring& function, int64_t wParam, const DeliveryVerdict& verdict) {
    if (wParam == 0)
        return verdict(Delivery{function, {}, {}, false, {}, 0});
    uint32_t size = fieldAt<uint32_t>(wParam, 0);
    return keep(function, recordBytes(wParam, size == sizeof(SendPictureRecord) ? size : sizeof(uint32_t)),
                size == sizeof(SendPictureRecord) ? fieldAt<const wchar_t*>(wParam, 64) : nullptr, verdict);
}

// SendFileRecord: size, then the path inline at 4.
int64_t fileTransfer(int64_t wParam, int64_t answer) {
    if (wParam == 0)
        return answer;
    std::vector<uint8_t> record = recordBytes(wParam, sizeof(SendFileRecord));
    std::wstring path(reinterpret_cast<const wchar_t*>(record.data() + 4));
    return keep(standInFileTransferName, std::move(record), path.c_str(), always(answer));
}

// SendImageRecord carries no size; the file name's address comes first.
int64_t imageHosting(int64_t wParam, int64_t answer) {
    if (wParam == 0)
        return answer;
    return keep(standInImageHostingName, recordBytes(wParam, sendImageRecordBytes),
                fieldAt<const wchar_t*>(wParam, 0), always(answer));
}

}  // namespace

std::wstring hostBaseName(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool hostWriteDeliveredFile(const Delivery& delivery, const std::wstring& path) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(delivery.fileBytes.data()), std::streamsize(delivery.fileBytes.size()));
    return bool(out);
}

void hostAddPictureTransferBy(const HostContact& contact, DeliveryVerdict verdict) {
    std::wstring name = contact.netClass + L"/" + std::to_wstring(contact.netId) + L"/" + netSendPicture;
    hostRegister(name, [name, verdict](int64_t wParam, int64_t) { return pictureTransfer(name, wParam, verdict); });
}

void hostAddPictureTransfer(const HostContact& contact, const std::vector<int64_t>& results) {
    auto script = std::make_shared<std::vector<int64_t>>(results);
    auto next = std::make_shared<size_t>(0);
    hostAddPictureTransferBy(contact, [script, next](const Delivery&) {
        if (script->empty())
            return int64_t(0);
        return (*script)[std::min((*next)++, script->size() - 1)];
    });
}

void hostWatchDeliveries(std::function<void(const Delivery&)> watcher) {
    deliveryWatcher = std::move(watcher);
}

// Both are registered as taking no record: the host's journal reads a text's
// address at offset 8 of a sized record, where this one holds the path itself,
// and a size at offset 0, which the image-hosting record does not have.
void hostSetFileTransfer(bool installed, int64_t answer) {
    if (installed)
        hostRegister(standInFileTransferName, [answer](int64_t wParam, int64_t) { return fileTransfer(wParam, answer); },
                     RecordKind::none);
    else
        hostUnregister(standInFileTransferName);
}

void hostSetImageHosting(bool installed, int64_t answer) {
    if (installed)
        hostRegister(standInImageHostingName, [answer](int64_t wParam, int64_t) { return imageHosting(wParam, answer); },
                     RecordKind::none);
    else
        hostUnregister(standInImageHostingName);
}

const std::vector<Delivery>& hostDeliveries() {
    return deliveries;
}

std::vector<Delivery> hostDeliveriesTo(const std::wstring& function) {
    std::vector<Delivery> found;
    for (const Delivery& delivery : deliveries) {
        if (delivery.function == function)
            found.push_back(delivery);
    }
    return found;
}

void hostClearDeliveries() {
    deliveries.clear();
}

std::vector<std::wstring> hostSaveDeliveredFiles(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring prefix = folder;
    if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/')
        prefix += L'\\';
    std::vector<std::wstring> written;
    int number = 0;
    for (const Delivery& delivery : deliveries) {
        number++;
        if (!delivery.fileFound)
            continue;
        std::wstring path = prefix + std::to_wstring(number) + L"-" + hostBaseName(delivery.fileName);
        if (hostWriteDeliveredFile(delivery, path))
            written.push_back(path);
    }
    return written;
}
