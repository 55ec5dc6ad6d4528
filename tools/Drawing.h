#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

class QPainter;
class QString;

// Frames and lines are filled rectangles on whole pixels, so they stay crisp at any integer scale.
void drawFrame(QPainter& painter, const QRect& rect, const QColor& colour);
void drawHorizontalLine(QPainter& painter, int x1, int x2, int y, const QColor& colour);

// Light blue window body with its thin lighter inner line.
void drawBody(QPainter& painter, const QRect& body);

// Plain title band: fill with 2 px edge lines at top and bottom.
void drawBand(QPainter& painter, const QRect& band);

QFont serifTitleFont(int pixelSize);
// Draws text with its capitals centred on centreY; returns the x after the text.
double drawTitle(QPainter& painter, const QString& text, const QFont& font, double x,
                 double centreY, const QColor& colour);
