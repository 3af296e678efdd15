// Colour corrections: per-pixel rules on the 24-bit bitmap, each result rounded
// half to even and clamped to 0..255.
#pragma once

class Picture;

void Brightness(Picture& picture, int amount);
void Contrast(Picture& picture, int amount);               // spreads levels away from 127
void Saturation(Picture& picture, int amount);             // spreads channels from the pixel's mean
void Tone(Picture& picture, int red, int green, int blue); // percent per channel
void Greyscale(Picture& picture);
void OldPhoto(Picture& picture); // Greyscale, then Tone(10, 0, -40)
void Invert(Picture& picture);

// The corrections of one gallery picture, as the project settings give them.
struct ColourCorrections
{
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
    bool greyscale = false;
    bool oldPhoto = false;
};

// Applies the corrections in the gallery's order, each only when not neutral:
// brightness, contrast, saturation, greyscale, old photo, tone. Does nothing at all
// (not even a conversion) when every value is neutral.
void ApplyCorrections(Picture& picture, const ColourCorrections& corrections);
