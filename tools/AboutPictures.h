#pragma once

class PictureOutput;

// The about box picture, the programmer banner and the programmer portrait.
void writeAboutPictures(PictureOutput& output);
