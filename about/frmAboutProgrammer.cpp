#include "frmAboutProgrammer.h"

#include "AuthorDetails.h"
#include "chrome/Accessibility.h"
#include "chrome/Centering.h"
#include "chrome/Pictures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QMouseEvent>

namespace {

const QColor kCardColour(0xFF, 0xFF, 0x80);
const QColor kOlive(0x80, 0x80, 0x00);

// Sizes in pixels at 96 dots per inch, as the card's boxes are: 21.75 pt and 9.75 pt.
constexpr int kLargePixels = 29;
constexpr int kDetailPixels = 13;

// The heading wants Impact; where it is missing, a condensed heavy sans comes nearest.
QFont headingFont() {
    QFont impact(QStringLiteral("Impact"));
    impact.setPixelSize(kLargePixels);
    if (QFontInfo(impact).family() == QStringLiteral("Impact"))
        return impact;
    QFont fallback;
    fallback.setFamilies({QStringLiteral("DejaVu Sans Condensed"),
                          QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial")});
    fallback.setStyleHint(QFont::SansSerif);
    fallback.setStretch(QFont::Condensed);
    fallback.setBold(true);
    fallback.setPixelSize(kLargePixels);
    return fallback;
}

QFont nameFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setPixelSize(kLargePixels);
    return font;
}

QFont detailFont() {
    QFont font = QApplication::font();
    font.setBold(true);
    font.setPixelSize(kDetailPixels);
    return font;
}

} // namespace

frmAboutProgrammer::frmAboutProgrammer(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmAboutProgrammer"));
    setWindowTitle(QStringLiteral("About Programmer"));
    setWindowIcon(QIcon(loadPicture(QStringLiteral("programmer_icon.png"))));
    setFixedSize(447, 202);
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kCardColour);
    colours.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
    setPalette(colours);
    setAutoFillBackground(true);

    // Made from the back to the front: each control covers the ones made before it.
    Image1 = new ClickableLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 56, 127, 134);
    Image1->setScaledContents(true);
    Image1->setPixmap(loadPicture(QStringLiteral("programmer_photo.jpg")));
    Image1->setAccessibleName(QStringLiteral("Photograph of ") +
                              QString::fromUtf8(AuthorDetails::Name));

    const QRect linePlaces[] = {
        {144, 56, 289, 33}, {144, 96, 273, 17}, {144, 120, 273, 41}, {144, 176, 273, 17}};
    const QString lines[] = {
        QString::fromUtf8(AuthorDetails::Name), QString::fromUtf8(AuthorDetails::Qualification),
        QString::fromUtf8(AuthorDetails::JobTitle),
        QStringLiteral("Mobile: ") + QString::fromUtf8(AuthorDetails::Telephone)};
    const auto makeLine = [&](int index) {
        auto* label = new ClickableLabel(this);
        label->setObjectName(QStringLiteral("lblLabel(%1)").arg(index));
        label->setGeometry(linePlaces[index]);
        label->setText(lines[index]);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setFont(index == 0 ? nameFont() : detailFont());
        label->setWordWrap(index == 2);
        connect(label, &ClickableLabel::Click, this, [this, index] { lblLabel_Click(index); });
        lblLabel[static_cast<std::size_t>(index)] = label;
    };

    makeLine(0);
    Line1 = new LineControl(QLine(144, 88, 440, 88), kOlive, 2, this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Accessibility::hideFromScreenReaders(*Line1);
    for (int index = 1; index <= 3; ++index)
        makeLine(index);

    Image2 = new ClickableLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(0, 0, 449, 49);
    Image2->setScaledContents(true);
    Image2->setPixmap(loadPicture(QStringLiteral("programmer_banner.png")));
    Accessibility::hideFromScreenReaders(*Image2); // a pattern without words

    Label1 = new ClickableLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(88, 8, 289, 41);
    Label1->setText(QStringLiteral("About Programmer"));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFont(headingFont());
    QPalette olive = Label1->palette();
    olive.setColor(QPalette::WindowText, kOlive);
    Label1->setPalette(olive);

    connect(Image1, &ClickableLabel::Click, this, &frmAboutProgrammer::Image1_Click);
}

void frmAboutProgrammer::Show() {
    if (!placed_) {
        // The system window, made now, tells the frame's size where the system knows it
        // before showing; centring then counts the title bar too.
        winId();
        centerOnScreen(*this);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void frmAboutProgrammer::mousePressEvent(QMouseEvent* event) {
    pressed_ |= event->button();
}

void frmAboutProgrammer::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_.testFlag(event->button());
    pressed_ &= ~event->button();
    if (wasPressed && rect().contains(event->position().toPoint()))
        Form_Click();
}

void frmAboutProgrammer::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Unloaded();
}

void frmAboutProgrammer::Form_Click() {
    hide();
}

void frmAboutProgrammer::Image1_Click() {
    hide();
}

void frmAboutProgrammer::lblLabel_Click(int) {
    hide();
}
