// What stands in for the networks' picture transfer and for the two plug-ins
// snipLeaf hands pictures to: each keeps, during the call, the bytes of the
// record it was given and of the file it names, since both are gone afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "standInHost.h"

struct Delivery {
    std::wstring function;           // the name called
    std::vector<uint8_t> record;     // the record's bytes at the call
    std::wstring fileName;           // the path the record names
    bool fileFound;                  // whether that file could be read during the call
    std::vector<uint8_t> fileBytes;  // its contents then
    int64_t result;                  // what the stand-in answered
};

constexpr const wchar_t* standInFileTransferName = fileTransferFunction;
constexpr const wchar_t* standInImageHostingName = imageHostingFunction;
constexpr size_t sendImageRecordBytes = 32;

// What a stand-in answers for one delivery, given what it was handed.
using DeliveryVerdict = std::function<int64_t(const Delivery& delivery)>;

// "<netClass>/<netId>/PFSendPicture" for the contact, answering the results in
// turn; the last one repeats once they run out, and none means 0.
void hostAddPictureTransfer(const HostContact& contact, const std::vector<int64_t>& results);
// The same function answering what the verdict decides for each delivery.
void hostAddPictureTransferBy(const HostContact& contact, DeliveryVerdict verdict);
// Runs after every delivery is kept, with it; an empty function stops watching.
void hostWatchDeliveries(std::function<void(const Delivery& delivery)> watcher);
// Registers or unregisters the other plug-ins' functions, answering answer.
void hostSetFileTransfer(bool installed, int64_t answer = 0);
void hostSetImageHosting(bool installed, int64_t answer = 0);

// Every delivery to any of them, in order.
const std::vector<Delivery>& hostDeliveries();
std::vector<Delivery> hostDeliveriesTo(const std::wstring& function);
void hostClearDeliveries();

// The last part of a path.
std::wstring hostBaseName(const std::wstring& path);
// Writes the bytes the delivery's file held at the call; false when it could not.
bool hostWriteDeliveredFile(const Delivery& delivery, const std::wstring& path);
// Writes the delivered files into folder (made when missing) as
// "<n>-<file name>", numbered from 1 in the order of delivery; their paths.
std::vector<std::wstring> hostSaveDeliveredFiles(const std::wstring& folder);
