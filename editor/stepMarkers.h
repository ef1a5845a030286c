// The step marker tool: each click places the next number on the picture as
// one history step. The number is not counted here but read from the history,
// whose steps carry the numbers they placed: undoing a marker gives its number
// back, redoing takes it again, and nothing can drift.
#pragma once

#include <windows.h>

#include <cstdint>

#include "editorState.h"

// One more than the highest number the picture shows now; 1 in a new editor.
uint32_t nextMarkerNumber(const History& history);
// Places the next marker centred on the picture point.
void placeStepMarker(EditorState& s, POINT picture);
// The editor closes: the digits rendered for its markers are let go.
void forgetMarkerDigits();
