#pragma once

// Qt opens the display while the application object is made, and aborts when it cannot.
// From construction until opened(), Qt's messages are held back: a fatal one, which means
// no display could be opened, gives way to one line saying so and how to choose a display,
// and the program ends with exit code 1. opened() passes the held messages on as usual.
class DisplayOpening {
public:
    DisplayOpening();
    ~DisplayOpening();
    DisplayOpening(const DisplayOpening&) = delete;
    DisplayOpening& operator=(const DisplayOpening&) = delete;

    void opened();
};
