// The step marker tool: each click places the next number on the picture as
// one step. The number is not counted here but is the marker's place among
// the markers the layer of drawings holds: undoing a marker gives its number
// back, redoing takes it again, deleting one moves its followers down, and
// nothing can drift.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// One more than the markers the picture shows now; 1 in a new editor.
uint32_t nextMarkerNumber(const EditorState& s);
// The tool's press: places the next marker centred on the picture point.
void placeStepMarker(EditorState& s, POINT picture);
// The editor closes: the digits rendered for its markers are let go.
void forgetMarkerDigits();
