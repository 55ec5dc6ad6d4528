#include "PanelLabel.h"

void paintOnPanel(QWidget& control) {
    QPalette colours = control.palette();
    colours.setColor(QPalette::Window, kPanelColour);
    control.setPalette(colours);
    control.setBackgroundRole(QPalette::Window); // a check box would fill with Button
    control.setAutoFillBackground(true);
}

QLabel* panelLabel(const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    paintOnPanel(*label);
    return label;
}
