#pragma once

#include <QRectF>

class QPainter;

// Vector motifs shared by several pictures; each fits itself into the given box.

// Computer monitor whose blue screen shows a pulse line.
void drawMonitor(QPainter& painter, const QRectF& box);

// Application window at a slant with green motion lines to its left.
void drawRunMotif(QPainter& painter, const QRectF& box);

// Head and shoulders of a man in a dark suit with a red tie. Small sizes leave out fine features.
void drawBust(QPainter& painter, const QRectF& box, bool detailed);
