#pragma once

class PictureOutput;

// Window icons, the desktop theme icons and the run button.
void writeIcons(PictureOutput& output);
