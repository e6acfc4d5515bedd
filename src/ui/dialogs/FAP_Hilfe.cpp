#include "ui/dialogs/FAP_Hilfe.h"

#include "ui/widgets/Widgets.h"
#include "ui/widgets/artwork.h"

#include <QColor>
#include <QFrame>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

using dialogs::PlaceLabel;
using fapkalk::PixelFont;

namespace {

enum class Style { Default, RedHeading, RedNote };

QLabel* Styled(QLabel* label, Style style) {
    if (style == Style::Default)
        return label;
    const bool heading = style == Style::RedHeading;
    label->setFont(PixelFont(fapkalk::kSansSerif, 11, true, heading));
    dialogs::SetTextColour(label, QColor(255, 0, 0));
    return label;
}

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

} // namespace

TdlgFAP_Hilfe::TdlgFAP_Hilfe(QWidget* parent)
    : FixedDialog(parent, QSize(466, 377), Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("dlgFAP_Hilfe"));
    setWindowTitle(QStringLiteral("FAP-Hinweise"));
    setWindowIcon(ProgramIcon());
    setFont(PixelFont(fapkalk::kSansSerif, 11));

    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 449, 329);

    const auto place = [this](const char* name, QRect box, const char* text, Style style) {
        return Styled(PlaceLabel(this, name, box, u8(text)), style);
    };
    Label13 = place("Label13", {16, 24, 58, 13}, "FAP/AEP:", Style::RedHeading);
    Label14 = place("Label14", {88, 24, 282, 13},
                    "Wird dieser Knopf angeklickt und erscheint dieser blau, wird", Style::Default);
    Label15 = place("Label15", {88, 40, 251, 13},
                    "die Eingabe als Apotheken-Einkaufspreis genommen.", Style::Default);
    Label7 = place("Label7", {16, 64, 56, 13}, "Suchtgift:", Style::RedHeading);
    Label8 = place("Label8", {88, 64, 87, 13}, "Zuschlag 55 Cent ", Style::Default);
    Label1 = place("Label1", {16, 104, 141, 13}, "Veterinär / Hom. Ansatz:", Style::RedHeading);
    Label2 = place("Label2", {16, 120, 377, 13},
                   "Bei Veterinär-Arzneispezialitäten oder Homöophartischen Preisansätzen "
                   "wird ein ",
                   Style::Default);
    Label3 = place("Label3", {16, 136, 293, 13},
                   "fixer Zuschlag von 20 % auf den Fabrikabgabepreis errechnet.", Style::Default);
    Label4 = place("Label4", {16, 152, 43, 13}, "Hinweis: ", Style::Default);
    Label5 = place("Label5", {72, 152, 302, 13},
                   "Bei der Errechnung der Preise für humane oder homöopathische", Style::Default);
    Label6 = place("Label6", {72, 168, 267, 13},
                   "Arzneimittel darf der Parameter nicht angegeben werden.", Style::Default);
    Label16 = place("Label16", {16, 200, 135, 13}, "nicht kassenzulässig (*)", Style::RedHeading);
    // "Kasssenzeichen" is spelt as the program has always shown it; it stays.
    Label17 = place("Label17", {56, 224, 312, 26},
                    "Bei Artikeln, die als nicht kassenzulässig gekennzeichnet sind \r\n"
                    "(Kasssenzeichen = *), wird eine andere Kalkulation herangezogen.",
                    Style::Default);
    Label11 = place("Label11", {32, 264, 332, 26},
                    "Die Kalkulation  und die Rundungsbestimmungen erfolgen \r\n"
                    "nach den Regeln der Österreichischen Arzneitaxe. ",
                    Style::RedNote);
    Label12 = place("Label12", {248, 312, 124, 13}, " Gültig ab 01.01.2012", Style::RedNote);

    for (QLabel* label : findChildren<QLabel*>())
        dialogs::WidenToText(label);
    // The layout breaks the paragraphs into lines; a screen reader reads each
    // paragraph as one text.
    for (const QList<QLabel*>& paragraph : {QList<QLabel*>{Label14, Label15},
                                            {Label2, Label3},
                                            {Label4, Label5, Label6},
                                            {Label17},
                                            {Label11}})
        dialogs::MarkParagraph(paragraph);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                              QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(144, 344, 113, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TdlgFAP_Hilfe::BitBtn1Click);
}

void TdlgFAP_Hilfe::BitBtn1Click() {
    done(QDialog::Accepted);
}
