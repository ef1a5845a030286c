// The layer of drawings over a picture, and how it is composed: the picture
// shown and sent is the base picture with every record drawn over it in list
// order. A change composes only the part it touched again: that part of the
// base is copied back and each record meeting it is drawn over it, clipped to
// it, in order. A redaction takes its blocks from the ring just outside it as
// it lies beneath it then, so a part meeting a redaction or its ring grows to
// the whole redaction and ring first.
//
// Memory: the picture itself holds the composition; the base is a copy made
// just before the first record goes in (an editor with no drawing keeps no
// copy), and while one record is dragged the edit keeps one more, the
// picture as it lies below that record, freed when the drag ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "../image/capture.h"
#include "annotationHistory.h"
#include "annotationList.h"

// A drag of one record: what lies below it, so each move composes only the
// record and those above it, where they meet what moved. The copy below is
// composed a 64 x 64 tile at a time as the drag first reaches it, in memory
// that the system gives only where it is written: a drag's start costs
// nothing, and a drag over a small part of a large picture takes that part.
struct AnnotationEdit {
    bool active;
    int32_t index;
    ImageHolder below;        // the base with the records [0, index) drawn over it, where filled
    uint8_t* belowPixels;     // its memory
    uint8_t* filled;          // one flag a tile, row by row: composed in below
    int64_t tilesAcross, tilesDown;
    uint32_t markersBelow;    // step markers among the records below
    Annotation before;        // the record as the drag found it
};

// Starts zeroed; openAnnotationLayer and closeAnnotationLayer around its use.
struct AnnotationLayer {
    ImageHolder* picture;  // the composition: what the editor shows, sends, copies and saves
    ImageHolder base;      // the picture under every record; no bitmap until the first record
    Annotation* items;     // bottom first
    int32_t count, capacity;
    AnnotationEdit edit;
    AnnotationHistory history;
};

// The picture must keep its bitmap while the layer is open: a replaced one
// (fitting) belongs to a new layer.
void openAnnotationLayer(AnnotationLayer& layer, ImageHolder* picture);
// Frees every record, step and copy; the picture keeps what it shows.
void closeAnnotationLayer(AnnotationLayer& layer);

// The marker's number: its place among the markers, from 1.
uint32_t markerNumberAt(const AnnotationLayer& layer, int32_t index);
// Composes the part of the picture again from the base and every record.
void renderRegion(AnnotationLayer& layer, const RECT& region);

// The list changed without a step (the history's own operations): each
// composes what it changed and adds it to *changed. Markers above an index
// where a marker came or went are composed again, since their numbers moved.
bool placeAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed);
bool takeAnnotation(AnnotationLayer& layer, int32_t index, RECT* changed);
bool swapAnnotation(AnnotationLayer& layer, int32_t index, const Annotation& annotation, RECT* changed);

// A drag of the record at index: begin keeps the picture below it; each show
// puts the record as it is now in its place and composes the old and the new
// bounds from that copy; end keeps the change as one step (none when the
// record came back as it was) and frees the copy; cancel puts the record back
// as it was. *changed as above.
bool beginAnnotationEdit(AnnotationLayer& layer, int32_t index);
bool showAnnotationEdit(AnnotationLayer& layer, const Annotation& now, RECT* changed);
void endAnnotationEdit(AnnotationLayer& layer);
void cancelAnnotationEdit(AnnotationLayer& layer, RECT* changed);

// How many copies of the picture's pixels the layer holds beside the picture
// itself: the base and the drag's copy (of which only its filled tiles take
// memory).
int32_t layerPictureCopies(const AnnotationLayer& layer);
