#include "frmAbout.h"

#include "AboutText.h"
#include "AuthorDetails.h"
#include "chrome/Centering.h"
#include "chrome/Pictures.h"

#include <QPainter>

namespace {

const QColor kOrange(0xFF, 0x80, 0x00);

// What the picture says, in sentences rather than in the picture's lines.
QString pictureText() {
    QStringList message;
    for (const char* line : AboutText::Message)
        message.append(QString::fromUtf8(line));
    return QString::fromUtf8(AboutText::Title) + QStringLiteral(". ") +
           message.join(QLatin1Char(' ')) + QStringLiteral(" ") +
           QString::fromUtf8(AboutText::ProgrammedBy) + QString::fromUtf8(AuthorDetails::Name) +
           QStringLiteral(". ") + QString::fromUtf8(AboutText::Mobile) +
           QString::fromUtf8(AuthorDetails::Telephone);
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(274, 191);
    // The caption is empty, and the words are in the picture: a screen reader gets both.
    setAccessibleName(QStringLiteral("About"));
    setAccessibleDescription(pictureText());
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
