#pragma once

class QWidget;

// Places a top-level window, frame included, at the centre of the screen it is on.
void centerOnScreen(QWidget& window);
