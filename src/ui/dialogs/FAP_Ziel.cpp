#include "ui/dialogs/FAP_Ziel.h"

#include "pricing/reverse.h"
#include "pricing/reverse_text.h"
#include "ui/dialogs/dialogparts.h"
#include "ui/widgets/Accessibility.h"
#include "ui/widgets/PriceFields.h"
#include "ui/widgets/artwork.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <exception>

namespace fapkalk {

namespace {

constexpr ReverseTarget kTargets[] = {ReverseTarget::Aep, ReverseTarget::Kp, ReverseTarget::Avp};

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

QString SettingsLine(const CalcOptions& options, double vatFactor) {
    return QStringLiteral("Für: ") + fromStd(ReverseSettingsText(options, vatFactor));
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(PixelFont(kSansSerif, 13, true));
    button->setAutoDefault(false);
    return button;
}

} // namespace

TdlgFAP_Ziel::TdlgFAP_Ziel(QWidget* parent)
    : FixedDialog(parent, QSize(kClientWidth, kClientHeight), Qt::WindowSystemMenuHint) {
    setObjectName(QStringLiteral("dlgFAP_Ziel"));
    setWindowTitle(QStringLiteral("FAP-Zielpreis"));
    setWindowIcon(ProgramIcon());
    setFont(PixelFont(kSansSerif, 11));
    const QFont labelFont = PixelFont(kSansSerif, 13, true);

    rgZiel = new TRadioGroup(
        {QStringLiteral("&AEP"), QStringLiteral("&KP"), QStringLiteral("A&VP")}, 3, this);
    rgZiel->setObjectName(QStringLiteral("rgZiel"));
    rgZiel->setTitle(QStringLiteral("Zielpreis"));
    rgZiel->setFont(PixelFont(kSansSerif, 13));
    rgZiel->setItemIndex(2); // the retail price is the one most often asked for

    lbBetrag = new QLabel(QStringLiteral("Bet&rag:"), this);
    lbBetrag->setObjectName(QStringLiteral("lbBetrag"));
    lbBetrag->setFont(labelFont);

    eZielpreis = new QLineEdit(this);
    eZielpreis->setObjectName(QStringLiteral("eZielpreis"));
    eZielpreis->setFont(PixelFont(kSansSerif, 13));
    {
        QPalette palette = eZielpreis->palette();
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        eZielpreis->setPalette(palette);
    }
    eZielpreis->setToolTip(QStringLiteral("Hier wird der gewünschte Preis eingegeben."));

    btBerechnen = makeButton(this, "btBerechnen", QStringLiteral("&Berechnen"));
    btBerechnen->setDefault(true); // Enter anywhere in the dialog computes

    lbEinstellung = new QLabel(this);
    lbEinstellung->setObjectName(QStringLiteral("lbEinstellung"));
    lbEinstellung->setText(SettingsLine(options_, vatFactor_));

    lbAntwort = new ValueLabel(QStringLiteral("Antwort"), QString(), this);
    lbAntwort->setObjectName(QStringLiteral("lbAntwort"));
    lbAntwort->setFont(labelFont);
    lbAntwort->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbAntwort->setWordWrap(true);
    lbAntwort->setTextFormat(Qt::PlainText);

    btUebernehmen = makeButton(this, "btUebernehmen", QStringLiteral("FAP &übernehmen"));
    btUebernehmen->setToolTip(
        QStringLiteral("Den niedrigsten Preis der Antwort in das Preisfeld übernehmen und "
                       "berechnen"));
    btSchliessen = makeButton(this, "btSchliessen", QStringLiteral("&Schließen"));
    // lbBetrag is sized to its text with the ampersand, before that becomes its mnemonic.
    PlaceControls(*this, kZielLayout);
    rgZiel->arrange();
    lbBetrag->setBuddy(eZielpreis);

    setTabOrder(rgZiel->button(0), rgZiel->button(1));
    setTabOrder(rgZiel->button(1), rgZiel->button(2));
    setTabOrder(rgZiel->button(2), eZielpreis);
    setTabOrder(eZielpreis, btBerechnen);
    setTabOrder(btBerechnen, btUebernehmen);
    setTabOrder(btUebernehmen, btSchliessen);

    eZielpreis->installEventFilter(this);
    GuardPricePaste(eZielpreis, [] { return std::string_view("Betrag"); });
    connect(eZielpreis, &QLineEdit::textChanged, this, [this] { ClearAnswer(); });
    // Another target kind answers at once for the amount already typed.
    connect(rgZiel, &TRadioGroup::itemClicked, this, [this] {
        if (eZielpreis->text().isEmpty())
            ClearAnswer();
        else
            btBerechnenClick();
    });
    connect(btBerechnen, &QPushButton::clicked, this, [this] { btBerechnenClick(); });
    connect(btUebernehmen, &QPushButton::clicked, this, [this] { btUebernehmenClick(); });
    connect(btSchliessen, &QPushButton::clicked, this, [this] { btSchliessenClick(); });
    ClearAnswer();
}

std::optional<std::string> TdlgFAP_Ziel::ExecFor(const CalcOptions& options, double vatFactor) {
    options_ = options;
    vatFactor_ = vatFactor;
    btUebernehmen->setText(QString::fromLatin1(InputName(options.AepInput).data()) +
                           QStringLiteral(" &übernehmen"));
    lbEinstellung->setText(SettingsLine(options, vatFactor));
    // The amount of the last opening is answered for today's switches.
    if (eZielpreis->text().isEmpty())
        ClearAnswer();
    else
        btBerechnenClick();
    eZielpreis->setFocus();
    eZielpreis->selectAll();
    if (exec() != QDialog::Accepted || !offeredCents_)
        return std::nullopt;
    return AmountText(*offeredCents_);
}

void TdlgFAP_Ziel::btBerechnenClick() {
    const std::string typed = eZielpreis->text().toStdString();
    const TargetAmount amount = ReadTargetAmount(typed);
    if (amount.problem != TargetProblem::None) {
        ShowAnswer(fromStd(TargetAmountMessage(typed, amount)), true);
        return;
    }
    const ReverseTarget target = kTargets[std::max(0, rgZiel->itemIndex())];
    try {
        const ReverseResult result = ReverseSearch(options_, vatFactor_).Find(target, amount.cents);
        ShowAnswer(fromStd(ReverseAnswerText(target, amount.cents, result, options_.AepInput)),
                   false);
        offeredCents_ = OfferedInputCents(result);
        btUebernehmen->setEnabled(offeredCents_.has_value());
    } catch (const std::exception& error) {
        // Only a VAT factor no window field produces can fail every price.
        ShowAnswer(QString::fromUtf8(error.what()), true);
    }
}

void TdlgFAP_Ziel::btUebernehmenClick() {
    if (offeredCents_)
        done(QDialog::Accepted);
}

void TdlgFAP_Ziel::btSchliessenClick() {
    done(QDialog::Rejected);
}

void TdlgFAP_Ziel::ClearAnswer() {
    ShowAnswer(QString(), false);
}

void TdlgFAP_Ziel::ShowAnswer(const QString& text, bool problem) {
    offeredCents_.reset();
    btUebernehmen->setEnabled(false);
    dialogs::SetTextColour(lbAntwort, problem ? QColor(255, 0, 0) : QColor(0, 0, 0));
    lbAntwort->setText(text);
    AnnounceValueChange(lbAntwort);
}

void TdlgFAP_Ziel::keyPressEvent(QKeyEvent* event) {
    // Unlike the notes and the imprint this dialog has a way out: Esc closes it.
    if (event->matches(QKeySequence::Cancel)) {
        btSchliessenClick();
        return;
    }
    FixedDialog::keyPressEvent(event);
}

bool TdlgFAP_Ziel::eventFilter(QObject* watched, QEvent* event) {
    if (watched != eZielpreis || event->type() != QEvent::KeyPress)
        return FixedDialog::eventFilter(watched, event);
    // The price fields' key filter: a comma becomes a point, a second point
    // deletes, and no digit goes in that would make a third decimal.
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter)
        return false; // Enter computes (the default button)
    return ApplyPriceKey(eZielpreis, keyEvent,
                         [this](char32_t& key) { FilterKeyIn(eZielpreis, key); });
}

} // namespace fapkalk
