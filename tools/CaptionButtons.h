#pragma once

class PictureOutput;

// The 15 x 15 caption buttons (close, about, minimise) of the windows, raised and sunken.
void writeCaptionButtons(PictureOutput& output);
