#pragma once

class PictureOutput;

// Backgrounds of the main, run and options windows.
void writeWindowBackgrounds(PictureOutput& output);
