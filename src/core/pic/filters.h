// Geometric filters and the colour mask of the optimiser: crop, mirrors, turns.
#pragma once

#include "util/colourvalue.h"

class Picture;

// Cuts the margins off. Nothing happens when all are 0 or when nothing would remain;
// negative margins count as 0.
void Crop(Picture& picture, int left, int top, int right, int bottom);
void MirrorHorizontal(Picture& picture);
void FlipVertical(Picture& picture);
void Rotate90(Picture& picture); // clockwise; width and height swap
void Rotate180(Picture& picture);
// Mixes colour (0x00BBGGRR) into the picture where the mask is dark; the mask is
// stretched to the picture's size first and keeps that size.
void ApplyMask(Picture& mask, Picture& picture, ColourValue colour);
