// The layer of drawings over a picture: each kind with each edit that applies
// to it, against a second layer where the drawing was made in its final
// place, style or text from the start, with undo and redo exact to the pixel;
// redactions worked out from what lies beneath them now; markers numbered by
// their order; hit-testing by drawn pixels; and every record drawn as its
// tool draws it, within a clip as it is drawn whole.
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "annotations/annotationEdit.h"
#include "annotations/annotationHitTest.h"
#include "annotations/annotationRender.h"
#include "image/annotation.h"
#include "image/bitmapText.h"
#include "image/drawing.h"
#include "image/history.h"
#include "image/systemText.h"
#include "imageTestSupport.h"

using namespace Gdiplus::DllExports;

namespace {

const int32_t width = 200, height = 150;
const uint32_t filled = 0xFF00FF00;

struct Spec {
    uint8_t kind;
    std::vector<POINT> points;
    AnnotationStyle style;
    std::wstring text;  // the bitmap text takes its units as bytes
};

// The text as makeAnnotation takes it for the kind.
const void* textFor(uint8_t kind, const std::wstring& text, std::string& bytes) {
    bytes.assign(text.begin(), text.end());
    return kind == annotationBitmapText ? static_cast<const void*>(bytes.c_str()) : text.c_str();
}

struct Record {
    Annotation a = {};
    Record() = default;
    explicit Record(const Spec& s) {
        std::string bytes;
        makeAnnotation(s.kind, s.points.data(), int32_t(s.points.size()), s.style, textFor(s.kind, s.text, bytes),
                       int32_t(s.text.size()), &a);
    }
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    ~Record() { freeAnnotation(a); }
};

// The format the layers' pictures are made in.
Gdiplus::PixelFormat pictureFormat = PixelFormat32bppARGB;

// The scene on a page, one step a record; the record at `swapped` left out,
// or replaced by `with`.
struct Layer {
    TestPicture picture{width, height, white};
    AnnotationLayer layer = {};
    explicit Layer(const std::vector<Spec>& scene, int swapped = -1, const Annotation* with = nullptr) {
        GdipDisposeImage(picture.holder.bitmap);
        GdipCreateBitmapFromScan0(width, height, 0, pictureFormat, nullptr, &picture.holder.bitmap);
        paintPage(picture.holder.bitmap, width, height);
        openAnnotationLayer(layer, &picture.holder);
        for (size_t i = 0; i < scene.size(); i++) {
            Record r(scene[i]);
            if (int(i) != swapped || with) {
                EXPECT_TRUE(addAnnotation(layer, int(i) == swapped ? *with : r.a, nullptr));
            }
        }
    }
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;
    ~Layer() { closeAnnotationLayer(layer); }
    std::vector<uint32_t> pixels() const { return lockedPixels(picture.holder); }
};

enum EditKind { moveEdit, handleEdit, restyleEdit, retextEdit, deleteEdit, insertEdit };

struct EditCase {
    const char* name;
    std::vector<Spec> scene;
    int subject;
    EditKind edit;
    int32_t dx = 0, dy = 0;
    int handle = 0;
    AnnotationStyle style = {};
    std::wstring text = L"";
};

// The edit done halfway (part 1) or whole (part 2), as a drag makes it.
bool editedRecord(const EditCase& c, const Annotation& from, int32_t part, Annotation* out) {
    std::string bytes;
    switch (c.edit) {
    case moveEdit:
        return movedAnnotation(from, c.dx * part / 2, c.dy * part / 2, width, height, out);
    case handleEdit:
        return resizedAnnotation(from, c.handle, c.dx * part / 2, c.dy * part / 2, width, height, out);
    case restyleEdit:
        return restyledAnnotation(from, c.style, out);
    default:
        return retextedAnnotation(from, textFor(from.kind, c.text, bytes), int32_t(c.text.size()), out);
    }
}

const AnnotationStyle pen3 = {red, noBrush, 3}, fill1 = {red, filled, 1}, wide = {blue, filled, 6};
const Spec pencil = {annotationPencil, {{30, 30}, {60, 50}, {90, 35}, {91, 36}}, pen3, L""};
const Spec line = {annotationLine, {{20, 20}, {120, 60}}, pen3, L""};
const Spec rectangle = {annotationRectangle, {{90, 80}, {30, 30}}, fill1, L""};
const Spec ellipse = {annotationEllipse, {{40, 40}, {140, 110}}, pen3, L""};
const Spec bitmapText = {annotationBitmapText, {{10, 60}}, pen3, L"Ab 12"};
const Spec arrow = {annotationArrow, {{20, 130}, {150, 30}}, {blue, noBrush, 4}, L""};
const Spec highlight = {annotationHighlight, {{60, 50}, {160, 120}}, pen3, L""};
const Spec redaction = {annotationRedaction, {{35, 35}, {80, 80}}, pen3, L""};
const Spec redRectangle = {annotationRectangle, {{40, 40}, {70, 70}}, {red, red, 1}, L""};
const Spec wideRedaction = {annotationRedaction, {{60, 40}, {120, 100}}, pen3, L""};
const Spec ringRectangle = {annotationRectangle, {{30, 30}, {59, 70}}, {red, red, 1}, L""};
const Spec crossing = {annotationRectangle, {{50, 50}, {100, 80}}, {red, red, 1}, L""};
const Spec ringHighlight = {annotationHighlight, {{40, 20}, {140, 45}}, pen3, L""};
const Spec typedText = {annotationTypedText, {{20, 20}}, {blue, 0xFFFFFF80, 2}, L"Zażółć\ngęślą"};
Spec marker(LONG x, LONG y) {
    return {annotationStepMarker, {{x, y}}, {0xFF202020, noBrush, 2}, L""};
}
const std::vector<Spec> fourMarkers = {marker(30, 30), marker(80, 40), marker(130, 60), marker(170, 110)};

const EditCase editCases[] = {
    {"pencil moved", {pencil}, 0, moveEdit, 25, 40},
    {"line's end dragged under a highlight", {line, highlight}, 0, handleEdit, 30, 50, annotationHandleEnd},
    {"line restyled", {line}, 0, restyleEdit, 0, 0, 0, wide},
    {"rectangle moved under a highlight", {rectangle, highlight}, 0, moveEdit, 40, 20},
    {"rectangle's corner dragged past the opposite one", {rectangle}, 0, handleEdit, -100, -80,
     annotationHandleBottomRight},
    {"rectangle's left side dragged", {rectangle}, 0, handleEdit, -30, 25, annotationHandleLeft},
    {"rectangle restyled", {rectangle}, 0, restyleEdit, 0, 0, 0, wide},
    {"ellipse's top dragged", {ellipse}, 0, handleEdit, 0, -30, annotationHandleTop},
    {"ellipse deleted from under an arrow", {ellipse, arrow}, 0, deleteEdit},
    {"bitmap text moved", {bitmapText}, 0, moveEdit, 30, 40},
    {"bitmap text replaced", {bitmapText}, 0, retextEdit, 0, 0, 0, {}, L"xyz!"},
    {"arrow's start dragged", {arrow}, 0, handleEdit, 40, -60, annotationHandleStart},
    {"arrow moved over a larger redaction", {{annotationRedaction, {{10, 10}, {190, 140}}, pen3, L""}, arrow}, 1,
     moveEdit, -15, 20},
    {"highlight's right side dragged", {rectangle, highlight}, 1, handleEdit, -50, 0, annotationHandleRight},
    {"redaction moved off what it covered", {redRectangle, redaction}, 1, moveEdit, 90, 40},
    {"redaction's corner dragged", {redRectangle, redaction}, 1, handleEdit, 30, 30, annotationHandleBottomRight},
    {"redaction restyled to larger blocks", {redRectangle, redaction}, 1, restyleEdit, 0, 0, 0, wide},
    {"rectangle moved out of a redaction's ring", {ringRectangle, wideRedaction}, 0, moveEdit, -25, 30},
    {"rectangle moved under a redaction whose ring a highlight covers", {crossing, wideRedaction, ringHighlight}, 0,
     moveEdit, 6, 9},
    {"rectangle in a redaction's ring deleted", {crossing, wideRedaction, ringHighlight}, 0, deleteEdit},
    {"redaction inserted under a highlight", {crossing, wideRedaction, ringHighlight}, 1, insertEdit},
    {"typed text moved", {typedText, arrow}, 0, moveEdit, 60, 50},
    {"typed text replaced", {typedText}, 0, retextEdit, 0, 0, 0, {}, L"jaźń"},
    {"typed text restyled", {typedText}, 0, restyleEdit, 0, 0, 0, wide},
    {"marker moved under the next", fourMarkers, 1, moveEdit, 40, 10},
    {"marker 2 of 4 deleted", fourMarkers, 1, deleteEdit},
    {"marker inserted under the others", fourMarkers, 0, insertEdit},
};

// Dragged (halfway, then whole) and made at once: both give the picture drawn
// so from the start; undo gives back the picture before, redo the one after.
void expectEditAsDrawnSo(const EditCase& c) {
    Layer edited(c.scene, c.edit == insertEdit ? c.subject : -1);
    std::vector<uint32_t> before = edited.pixels();
    Record subject(c.scene[size_t(c.subject)]), done;
    std::unique_ptr<Layer> expected;
    if (c.edit == deleteEdit) {
        ASSERT_TRUE(deleteAnnotation(edited.layer, c.subject, nullptr));
        expected = std::make_unique<Layer>(c.scene, c.subject);
    } else if (c.edit == insertEdit) {
        ASSERT_TRUE(insertAnnotation(edited.layer, c.subject, subject.a, nullptr));
        expected = std::make_unique<Layer>(c.scene);
    } else {
        Record half;
        ASSERT_TRUE(editedRecord(c, subject.a, 1, &half.a) && editedRecord(c, subject.a, 2, &done.a));
        ASSERT_TRUE(beginAnnotationEdit(edited.layer, c.subject));
        EXPECT_EQ(layerPictureCopies(edited.layer), 2);
        EXPECT_TRUE(showAnnotationEdit(edited.layer, half.a, nullptr));
        EXPECT_TRUE(showAnnotationEdit(edited.layer, done.a, nullptr));
        endAnnotationEdit(edited.layer);
        expected = std::make_unique<Layer>(c.scene, c.subject, &done.a);
    }
    std::vector<uint32_t> after = edited.pixels();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, expected->pixels());
    EXPECT_EQ(layerPictureCopies(edited.layer), 1);
    ASSERT_TRUE(undoAnnotation(edited.layer, nullptr));
    EXPECT_EQ(edited.pixels(), before);
    ASSERT_TRUE(redoAnnotation(edited.layer, nullptr));
    EXPECT_EQ(edited.pixels(), after);
    if (c.edit == deleteEdit || c.edit == insertEdit)
        return;
    ASSERT_TRUE(undoAnnotation(edited.layer, nullptr));
    ASSERT_TRUE(changeAnnotation(edited.layer, c.subject, done.a, nullptr));
    EXPECT_EQ(edited.pixels(), after);
}

}  // namespace

TEST(AnnotationEdits, EachEditEqualsTheDrawingMadeSoFromTheStart) {
    for (const EditCase& c : editCases) {
        SCOPED_TRACE(c.name);
        expectEditAsDrawnSo(c);
    }
}

// Screenshots come in 24 or 32 bits without alpha, some files premultiplied:
// the copies the layer composes from keep each exactly.
TEST(AnnotationEdits, KeepEveryPixelFormatExact) {
    for (Gdiplus::PixelFormat format : {PixelFormat24bppRGB, PixelFormat32bppRGB, PixelFormat32bppPARGB}) {
        pictureFormat = format;
        for (const char* name : {"typed text moved", "redaction's corner dragged", "marker 2 of 4 deleted"}) {
            SCOPED_TRACE(name);
            expectEditAsDrawnSo(*std::find_if(std::begin(editCases), std::end(editCases),
                                              [&](const EditCase& c) { return std::string(c.name) == name; }));
        }
    }
    pictureFormat = PixelFormat32bppARGB;
}

// Moves stop where fewer than 8 columns or rows of the bounds would stay on
// the picture (all of them for a smaller record); one showing fewer already
// may come in, not go further out.
TEST(AnnotationEdits, MovesKeepEightPixelsOfTheBoundsOnThePicture) {
    const Spec thinLine = {annotationLine, {{10, 50}, {13, 50}}, {red, noBrush, 1}, L""};
    const Spec outside = {annotationLine, {{-50, 5}, {2, 5}}, {red, noBrush, 1}, L""};
    const struct {
        Spec spec;
        int32_t dx, dy;
        RECT bounds;
    } cases[] = {
        {rectangle, -500, 0, {-53, 30, 8, 81}}, {rectangle, 500, 0, {192, 30, 253, 81}},
        {rectangle, 0, -500, {30, -43, 91, 8}}, {thinLine, -500, 0, {0, 50, 4, 51}},
        {outside, 1, 0, {-49, 5, 4, 6}},        {outside, -1, 0, {-50, 5, 3, 6}},
    };
    for (const auto& c : cases) {
        Record from(c.spec), moved;
        ASSERT_TRUE(movedAnnotation(from.a, c.dx, c.dy, width, height, &moved.a));
        const RECT& b = moved.a.bounds;
        EXPECT_EQ(std::vector<LONG>({b.left, b.top, b.right, b.bottom}),
                  std::vector<LONG>({c.bounds.left, c.bounds.top, c.bounds.right, c.bounds.bottom}))
            << c.dx << "," << c.dy;
    }
}

// A white stroke on white is found by what it stores; an unfilled rectangle
// by its outline only; the topmost record wins; the picture stays as it was,
// even where a marker's edge would darken if drawn again.
TEST(AnnotationHitTest, FindsTheTopmostDrawnPixelWithinFourPixels) {
    TestPicture picture(width, height, white);
    AnnotationLayer layer = {};
    openAnnotationLayer(layer, &picture.holder);
    const Spec scene[] = {
        {annotationPencil, {{20, 50}, {50, 50}, {80, 50}}, {white, noBrush, 1}, L""},
        {annotationRectangle, {{100, 20}, {150, 100}}, {red, noBrush, 1}, L""},
        {annotationRectangle, {{100, 110}, {150, 140}}, fill1, L""},
        {annotationRectangle, {{130, 120}, {190, 145}}, fill1, L""},
        marker(60, 100),
    };
    for (const Spec& s : scene)
        ASSERT_TRUE(addAnnotation(layer, Record(s).a, nullptr));
    std::vector<uint32_t> before = lockedPixels(picture.holder);
    const struct {
        POINT press;
        int32_t found;
    } presses[] = {{{50, 53}, 0},   {{50, 54}, 0},  {{50, 55}, -1},  {{84, 50}, 0},   {{85, 50}, -1},
                   {{16, 50}, 0},   {{15, 50}, -1}, {{50, 46}, 0},   {{50, 45}, -1},  {{125, 60}, -1},
                   {{104, 60}, 1},  {{105, 60}, -1}, {{120, 125}, 2}, {{140, 130}, 3}, {{76, 100}, 4}};
    for (const auto& p : presses)
        EXPECT_EQ(annotationAt(layer, p.press), p.found) << p.press.x << "," << p.press.y;
    EXPECT_EQ(lockedPixels(picture.holder), before);
    closeAnnotationLayer(layer);
}

// Each record drawn as its tool draws it (corners as dragged, normalised by
// the tool); within a clip, with or without a history step recording, it
// paints exactly those pixels inside the clip and nothing outside; every
// pixel it paints lies in its bounds.
TEST(AnnotationDrawing, DrawnAsTheToolDrawsAndClippedAsWhole) {
    const struct {
        Spec spec;
        std::function<void(ImageHolder*)> tool;
    } cases[] = {
        {pencil,
         [](ImageHolder* h) {
             drawLine(h, 30, 30, 60, 50, red, 3);
             drawLine(h, 60, 50, 90, 35, red, 3);
             drawLine(h, 90, 35, 91, 36, red, 3);
         }},
        {{annotationLine, {{150, 20}, {20, 130}}, pen3, L""},
         [](ImageHolder* h) { drawLine(h, 150, 20, 20, 130, red, 3); }},
        {{annotationRectangle, {{170, 120}, {20, 20}}, wide, L""},
         [](ImageHolder* h) { drawRectangle(h, 20, 20, 170, 120, blue, filled, 6); }},
        {{annotationEllipse, {{180, 10}, {10, 140}}, wide, L""},
         [](ImageHolder* h) { drawEllipse(h, 10, 10, 180, 140, blue, filled, 6); }},
        {{annotationBitmapText, {{20, 40}}, pen3, L"Clip me 12"},
         [](ImageHolder* h) { drawBitmapText(h, 20, 40, red, "Clip me 12"); }},
        {{annotationArrow, {{10, 140}, {190, 10}}, wide, L""},
         [](ImageHolder* h) { drawArrow(h, 10, 140, 190, 10, blue, 6); }},
        {{annotationHighlight, {{150, 120}, {30, 30}}, pen3, L""},
         [](ImageHolder* h) { drawHighlight(h, 30, 30, 150, 120, 0xFFFFFF00); }},
        {{annotationRedaction, {{160, 130}, {40, 20}}, {red, noBrush, 5}, L""},
         [](ImageHolder* h) { drawRedaction(h, 40, 20, 160, 130, 20); }},
        {typedText,
         [](ImageHolder* h) {
             static GlyphCache glyphs = {};
             static TextLayout layout;
             ASSERT_TRUE(layoutTypedText(L"Zażółć\ngęślą", 12, 2, unwrappedRoom, glyphs, &layout));
             drawTypedText(h, 20, 20, L"Zażółć\ngęślą", layout, blue, 0xFFFFFF80, glyphs);
         }},
        {marker(60, 40),
         [](ImageHolder* h) {
             static GlyphCache digits = {};
             drawStepMarker(h, 60, 40, 3, 0xFF202020, 2, digits);
         }},
    };
    const PixelBox clip = {60, 35, 129, 99};
    TestPicture page(width, height, white);
    paintPage(page.holder.bitmap, width, height);
    std::vector<uint32_t> plain = lockedPixels(page.holder);
    for (const auto& c : cases) {
        Record r(c.spec);
        TestPicture byTool(width, height, white), byRecord(width, height, white);
        for (TestPicture* p : {&byTool, &byRecord})
            paintPage(p->holder.bitmap, width, height);
        c.tool(&byTool.holder);
        drawAnnotation(&byRecord.holder, r.a, 3);
        std::vector<uint32_t> whole = lockedPixels(byTool.holder), expected = plain;
        EXPECT_EQ(lockedPixels(byRecord.holder), whole) << int(c.spec.kind);
        for (int32_t y = 0; y < height; y++) {
            for (int32_t x = 0; x < width; x++) {
                size_t i = size_t(y) * width + size_t(x);
                const RECT& b = r.a.bounds;
                bool inBounds = x >= b.left && x < b.right && y >= b.top && y < b.bottom;
                EXPECT_TRUE(whole[i] == plain[i] || inBounds) << int(c.spec.kind) << " " << x << "," << y;
                if (x >= clip.left && x <= clip.right && y >= clip.top && y <= clip.bottom)
                    expected[i] = whole[i];
            }
        }
        EXPECT_NE(expected, plain) << int(c.spec.kind);
        for (bool recording : {false, true}) {
            TestPicture clipped(width, height, white);
            paintPage(clipped.holder.bitmap, width, height);
            History history = {};
            if (recording)
                beginStep(history, &clipped.holder);
            {
                DrawingClip drawingClip(clip);
                drawAnnotation(&clipped.holder, r.a, 3);
            }
            endStep(history);
            EXPECT_EQ(lockedPixels(clipped.holder), expected) << int(c.spec.kind) << " " << recording;
            if (recording) {
                EXPECT_TRUE(undoStep(history));
                EXPECT_EQ(lockedPixels(clipped.holder), plain) << int(c.spec.kind);
            }
            clearHistory(history);
        }
    }
}

// Sixty-four steps are kept, the oldest going first; a new step drops the
// ones that could be redone. A layer with no record keeps no copy.
TEST(AnnotationHistory, KeepsSixtyFourStepsAndANewStepDropsRedo) {
    Layer layer({});
    EXPECT_EQ(layerPictureCopies(layer.layer), 0);
    Record dot({annotationRectangle, {{10, 10}, {14, 14}}, pen3, L""});
    for (int i = 0; i < 65; i++)
        ASSERT_TRUE(addAnnotation(layer.layer, dot.a, nullptr));
    int undone = 0;
    while (undoAnnotation(layer.layer, nullptr))
        undone++;
    EXPECT_EQ(undone, 64);
    EXPECT_EQ(layer.layer.count, 1);
    ASSERT_TRUE(redoAnnotation(layer.layer, nullptr));
    ASSERT_TRUE(canRedoAnnotation(layer.layer));
    ASSERT_TRUE(addAnnotation(layer.layer, dot.a, nullptr));
    EXPECT_FALSE(canRedoAnnotation(layer.layer));
    EXPECT_EQ(layerPictureCopies(layer.layer), 1);
}
