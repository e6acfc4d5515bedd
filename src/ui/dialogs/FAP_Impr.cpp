#include "ui/dialogs/FAP_Impr.h"

#include "publisher.h"
#include "tools/tools.h"
#include "ui/widgets/Widgets.h"
#include "ui/widgets/artwork.h"

#include <QColor>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

using dialogs::PlaceLabel;
using dialogs::SetTextColour;
using dialogs::UpperAsciiLetters;
using fapkalk::ClickLabel;
using fapkalk::PixelFont;

QString ImprintWebText(const QString& address) {
    QString text = tools::TrimControls(address);
    const QString lowered = tools::LowerAsciiLetters(text);
    for (const QString& scheme : {QStringLiteral("http://"), QStringLiteral("https://")}) {
        if (lowered.startsWith(scheme)) {
            text.remove(0, scheme.size());
            break;
        }
    }
    return UpperAsciiLetters(text);
}

ImprintTexts ImprintTextsFromPublisher() {
    namespace pub = fapkalk::publisher;
    ImprintTexts texts;
    texts.nameLine1 = QString::fromUtf8(pub::NameLine1);
    texts.nameLine2 = QString::fromUtf8(pub::NameLine2);
    texts.address = QString::fromUtf8(pub::Address);
    texts.phone = QStringLiteral("Tel.: ") + QString::fromUtf8(pub::Phone);
    texts.fax = QStringLiteral("FAX.: ") + QString::fromUtf8(pub::Fax);
    texts.email = UpperAsciiLetters(tools::TrimControls(QString::fromUtf8(pub::Email)));
    texts.web = ImprintWebText(QString::fromUtf8(pub::Web));
    texts.copyright = QString::fromUtf8(pub::Copyright);
    return texts;
}

namespace {

void StyleLink(QLabel* label) {
    label->setFont(PixelFont(fapkalk::kSansSerif, 11, false, true));
    SetTextColour(label, QColor(0, 0, 255));
    label->setCursor(Qt::PointingHandCursor);
}

ClickLabel* PlaceLink(QWidget* parent, const char* name, const QRect& box, const QString& text) {
    auto* label = new ClickLabel(ClickLabel::Kind::Link, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(box);
    label->setText(text);
    StyleLink(label);
    return label;
}

} // namespace

TdlgFAPIMPressum::TdlgFAPIMPressum(QWidget* parent, std::chrono::milliseconds autoClose)
    : FixedDialog(parent, QSize(313, 214), Qt::WindowFlags()) {
    setObjectName(QStringLiteral("dlgFAPIMPressum"));
    setWindowTitle(QStringLiteral("FAP - Impressum"));
    setFont(PixelFont(fapkalk::kSansSerif, 11));

    QPalette white = palette();
    white.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(white);
    setAutoFillBackground(true);

    const ImprintTexts texts = ImprintTextsFromPublisher();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(224, 32, 81, 73);
    Image1->setScaledContents(true);
    Image1->setPixmap(PublisherLogo());
    Image1->setAccessibleName(QStringLiteral("Logo"));

    Label1 =
        PlaceLabel(this, "Label1", {24, 0, 254, 24}, QStringLiteral("FAP-Kalkulationsprogramm"));
    Label1->setFont(PixelFont(fapkalk::kSansSerif, 19, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    SetTextColour(Label1, QColor(255, 0, 0));

    const QFont arialBold = PixelFont(fapkalk::kArial, 11, true);
    const auto line = [&](const char* name, QRect box, const QString& text, bool black) {
        QLabel* label = PlaceLabel(this, name, box, text);
        label->setFont(arialBold);
        if (black)
            SetTextColour(label, QColor(0, 0, 0));
        return label;
    };
    LabZeile4 = line("LabZeile4", {13, 43, 174, 14}, texts.nameLine1, true);
    LabZeile5 = line("LabZeile5", {13, 56, 172, 14}, texts.nameLine2, true);
    LabZeile6 = line("LabZeile6", {13, 69, 139, 14}, texts.address, true);
    labZeile8 = line("labZeile8", {13, 88, 112, 14}, texts.phone, true);
    Label6 = line("Label6", {13, 104, 122, 14}, texts.fax, true);
    Label5 = line("Label5", {13, 124, 36, 14}, QStringLiteral("e-Mail:"), false);
    labemail = PlaceLink(this, "labemail", {80, 122, 115, 13}, texts.email);
    Label4 = line("Label4", {13, 140, 62, 14}, QStringLiteral("Homepage:"), false);
    labWWW = PlaceLink(this, "labWWW", {80, 140, 118, 13}, texts.web);

    LabCopyr = PlaceLabel(this, "LabCopyr", {5, 166, 225, 16}, texts.copyright);
    LabCopyr->setFont(PixelFont(fapkalk::kSansSerif, 15, true));
    SetTextColour(LabCopyr, QColor(0, 128, 128));

    for (QLabel* label : findChildren<QLabel*>())
        if (label != Image1)
            dialogs::WidenToText(label);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(231, 188, 75, 25);
    OKBtn->setDefault(true);

    // The links follow OK in the Tab order; Enter or Space opens the one
    // that has the focus.
    setTabOrder(OKBtn, labemail);
    setTabOrder(labemail, labWWW);

    connect(OKBtn, &QPushButton::clicked, this, &TdlgFAPIMPressum::OKBtnClick);
    connect(labWWW, &ClickLabel::clicked, this, &TdlgFAPIMPressum::labWWWClick);
    connect(labemail, &ClickLabel::clicked, this, &TdlgFAPIMPressum::labemailClick);

    // The start screen's clock runs from the dialog's creation, not from its
    // first showing, and fires only once in the whole run.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(autoClose);
    // A coarse timer may fire up to 5 % early; the start screen keeps its four seconds.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TdlgFAPIMPressum::Timer1Timer);
    Timer1->start();
}

void TdlgFAPIMPressum::OKBtnClick() {
    done(QDialog::Accepted);
}

void TdlgFAPIMPressum::Timer1Timer() {
    Timer1->stop();
    // Hidden, the dialog has nothing to close; done() would still announce a result.
    if (isVisible())
        done(QDialog::Accepted);
}

void TdlgFAPIMPressum::labWWWClick() {
    tools::OpenWebAddress(tools::LowerAsciiLetters(labWWW->text()));
}

void TdlgFAPIMPressum::labemailClick() {
    tools::OpenMailAddress(tools::LowerAsciiLetters(labemail->text()), QString());
}

void TdlgFAPIMPressum::showEvent(QShowEvent* event) {
    FixedDialog::showEvent(event);
    OKBtn->setFocus(Qt::OtherFocusReason);
}
