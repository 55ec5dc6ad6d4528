#include "frmAbout.h"

#include "chrome/Centering.h"
#include "chrome/Pictures.h"

#include <QPainter>

namespace {
const QColor kOrange(0xFF, 0x80, 0x00);
} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(274, 191);
    setAttribute(Qt::WA_OpaquePaintEvent);
    picture_ = loadPicture(QStringLiteral("about_picture.png"));

    cmdClose = new GraphicalButton(QStringLiteral("&Close"), QColor(0xFF, 0xC0, 0xC0), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(96, 160, 81, 25);
    connect(cmdClose, &QPushButton::clicked, this, &frmAbout::cmdClose_Click);
    cmdClose->setFocus();
}

void frmAbout::Show() {
    if (!placed_) {
        centerOnScreen(*this);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void frmAbout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kOrange);
    painter.drawPixmap(0, 0, picture_);
}

void frmAbout::cmdClose_Click() {
    hide();
}
