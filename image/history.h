// Undo and redo for the picture: before a step's drawing first writes into a
// 64 x 64 tile of the picture (aligned to its origin; edge tiles are smaller),
// the tile's pixels are saved; undo and redo swap saved and current pixels of
// a step's tiles, so the same saved copy serves both ways.
//
// One step is one user action and may hold many operations; drawing with no
// open step records nothing. At most historyStepLimit steps are kept, and at
// most historyByteBound bytes of saved pixels; past either, the oldest steps go
// first. A closed step never passes the byte bound on its own, since it saves
// each tile once and the bound is at least twice the picture. Should memory
// run out, the history is dropped and the drawing still happens.
#pragma once

#include <cstddef>
#include <cstdint>

#include "capture.h"
#include "pixelCanvas.h"

const int historyStepLimit = 64;

struct SavedTile {
    uint32_t index;    // row-major among the picture's tiles
    uint32_t* pixels;  // the tile's pixels as the canvas locks them, row by row, no padding
};

struct HistoryStep {
    SavedTile* tiles;
    size_t count, capacity;
    size_t bytes;  // of saved pixels
    uint32_t tag;  // what the editor marked the step with (a step marker's number), 0 for nothing
};

// Starts zeroed (History history = {};); cleared with clearHistory.
struct History {
    ImageHolder* holder;  // the picture the steps belong to, and its bitmap then:
    GpBitmap* bitmap;     //   a replaced bitmap makes the steps meaningless
    int64_t width, height, tilesAcross, tilesDown;
    HistoryStep steps[historyStepLimit];
    int stepCount;  // kept steps, oldest first
    int undone;     // how many of the last steps are undone, ready for redo
    bool open;
    bool failed;  // memory ran out during the open step: it is dropped at its end
    HistoryStep current;
    uint8_t* tileSaved;  // one flag per tile, for the open step
    size_t bytes;        // of saved pixels in kept steps
    // The highest tag of the done steps dropped for room or for want of
    // memory: what they drew stays in the picture.
    uint32_t droppedTag;
};

// Drawing into the holder's picture from now on records into a new step.
void beginStep(History& history, ImageHolder* holder);
// Closes the open step; an empty one is dropped. A step with pixels drops the
// steps that could have been redone.
void endStep(History& history);
// Puts back the open step's tiles and drops it (Escape during a drag).
void cancelStep(History& history);
// Drops the open step as it stands, without an undo step, after copying what
// it drew into another bitmap of the picture's size: each pixel of its tiles
// that differs from what the tile held before the step. False when nothing
// could be copied (no tile kept, no memory, a lock failed).
bool keepStepIn(History& history, GpBitmap* copy);
// Swap the tiles of the last done step, or of the first undone one; false when
// there is none or a step is open.
bool undoStep(History& history);
bool redoStep(History& history);
bool canUndo(const History& history);
bool canRedo(const History& history);
// Marks the open step with a tag that goes and comes back with it.
void tagStep(History& history, uint32_t tag);
// The highest tag of the steps whose drawing is in the picture now: the done
// ones, and those dropped while done. 0 when none is tagged.
uint32_t highestDoneTag(const History& history);
// Frees every step (editor close); the record may be used again.
void clearHistory(History& history);
size_t historyBytes(const History& history);
// The most saved pixel bytes kept for a picture of this size.
size_t historyByteBound(int64_t width, int64_t height);

// For the canvas: attaches the open step recording into this canvas's bitmap,
// if any, and answers the box to lock, grown to whole tiles so a tile can be
// saved from the locked memory.
PixelBox attachRecording(PixelCanvas& canvas, const PixelBox& clipped);
