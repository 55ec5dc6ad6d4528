#pragma once

#include <QColor>
#include <QLabel>

// The light blue of the dialogs' body panel, which their labels and check box share so
// they read as text on the panel.
inline const QColor kPanelColour(0xB0, 0xDF, 0xFF);

// Fills a control's background with the panel colour.
void paintOnPanel(QWidget& control);

// A plain-text label on the panel, left and top aligned, wrapping at word boundaries.
QLabel* panelLabel(const QString& caption, QWidget* parent);
