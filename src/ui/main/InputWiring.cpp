// The main window's switches, VAT field and price fields: the handlers that
// hand each event to the switch rules, the VAT field and the price key filter,
// which decide; the window only carries out what they say.
#include "pricing/calc_run.h"
#include "tools/messages.h"
#include "ui/main/FAP_Main.h"
#include "ui/main/SwitchLook.h"
#include "ui/widgets/PriceFields.h"
#include "ui/widgets/Widgets.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

namespace fapkalk {
namespace {

// Letters typed into the two price fields show as capitals, pasted ones too.
// QChar's simple case mapping keeps the length, so the caret stays put.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (QChar& c : input)
            if (c.isLower())
                c = c.toUpper();
        return Acceptable;
    }
};

bool isEnter(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// The focus came from the keyboard or from the program: the whole text is
// selected. A mouse click places the caret; a window that becomes active
// again, or a closed popup, gives back the focus the field already had.
bool selectsOnFocusIn(Qt::FocusReason reason) {
    return reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
           reason != Qt::PopupFocusReason;
}

// The field is left for another control of this window. Another window
// becoming active (a message box, another program) or a popup menu is no exit.
bool leavesField(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Lets the widget itself handle an event the window's filter has seen, so the
// window can act on the widget's settled state afterwards.
void deliver(QWidget* widget, QEvent* event) {
    static_cast<QObject*>(widget)->event(event);
}

} // namespace

void TForm1::WireInputs() {
    connect(sbSG, &QPushButton::clicked, this, [this] { sbSGClick(); });
    connect(sbVet, &QPushButton::clicked, this, [this] { sbVetClick(); });
    connect(sbStern, &QPushButton::clicked, this, [this] { sbSternClick(); });
    connect(spFAPAEP, &QPushButton::clicked, this, [this] { spFAPAEPClick(); });
    connect(rgRechenModi, &TRadioGroup::itemClicked, this, [this](int index) {
        // Clicking the item that is already selected selects nothing new.
        if ((index == 1) != Options().Homeopathic)
            rgRechenModiClick();
    });

    // The field holds "10" already; from here on every change counts, the
    // program's own included.
    connect(edUST, &QLineEdit::textChanged, this, [this] { edUSTChange(); });

    for (QLineEdit* field : {eFAPBASIS, eBis})
        field->setValidator(new UpperCaseValidator(field));
    for (QLineEdit* field : {eFAPBASIS, eBis, Edit1, edUST})
        field->installEventFilter(this);
    GuardPricePaste(eFAPBASIS, [this] {
        return PriceFieldName(PriceField::Base, rangeMode_, Options().AepInput);
    });
    GuardPricePaste(eBis, [] { return PriceFieldName(PriceField::Bis, true, false); });
    GuardPricePaste(Edit1, [] { return PriceFieldName(PriceField::Staffel, true, false); });
}

// ------------------------------------------------------------------ switches

void TForm1::ShowSwitchStates() {
    const std::pair<TSpeedButton*, SwitchButton> buttons[] = {
        {spFAPAEP, SwitchButton::FapAep},
        {sbSG, SwitchButton::Narcotic},
        {sbVet, SwitchButton::Veterinary},
        {sbStern, SwitchButton::NotReimbursable}};
    for (const auto& [button, which] : buttons) {
        // The checked state tells assistive technology what the colour shows.
        button->setSwitchedOn(SwitchIsOn(Options(), which));
        const QColor colour = SwitchCaptionColour(Options(), which);
        if (button->palette().color(QPalette::Active, QPalette::ButtonText) == colour)
            continue;
        SetCaptionColour(button, colour);
        button->repaint(); // at once: the run that follows may take a while
    }
    sbStern->setEnabled(switches_.NotReimbursableEnabled());
}

void TForm1::CarryOutSwitches(RunStart run) {
    ShowSwitchStates();
    if (run == RunStart::KeepFocus)
        RunCalculation();
}

void TForm1::sbSGClick() {
    CarryOutSwitches(switches_.ToggleNarcotic());
}

void TForm1::sbVetClick() {
    CarryOutSwitches(switches_.ToggleVeterinary());
}

void TForm1::sbSternClick() {
    CarryOutSwitches(switches_.ToggleNotReimbursable());
}

void TForm1::rgRechenModiClick() {
    CarryOutSwitches(switches_.ChooseMode(rgRechenModi->itemIndex() == 1));
}

void TForm1::spFAPAEPClick() {
    const RunStart run = switches_.ToggleAepInput();
    const FapAepCaptions captions = CaptionsForInput(Options().AepInput, rangeMode_);
    GroupBox1->setTitle(captions.groupCaption);
    if (captions.priceLabel)
        SetLabelText(lbvon, *captions.priceLabel);
    CarryOutSwitches(run);
}

// ----------------------------------------------------------------- VAT field

void TForm1::edUSTChange() {
    vatField_.TextChanged(edUST->text().toStdString());
}

void TForm1::edUSTExit() {
    vatField_.FocusLost([this](const std::string& q) { return AskVatQuestion(q); },
                        runState_.UnderWay(), [this](const VatOutcome& o) { CarryOutVat(o); });
}

void TForm1::edUSTKeyPress(char32_t key) {
    vatField_.KeyPress(
        key, [this](const std::string& q) { return AskVatQuestion(q); },
        [this](const VatOutcome& o) { CarryOutVat(o); });
}

VatAnswer TForm1::AskVatQuestion(const std::string& question) {
    switch (tools::AskConfirmation(this, QString::fromStdString(question))) {
    case tools::MessageAnswer::Yes:
        return VatAnswer::Yes;
    case tools::MessageAnswer::No:
        return VatAnswer::No;
    case tools::MessageAnswer::Ok:
    case tools::MessageAnswer::Closed:
        break;
    }
    return VatAnswer::Closed;
}

void TForm1::CarryOutVat(const VatOutcome& outcome) {
    if (outcome.setText)
        edUST->setText(QString::fromStdString(*outcome.setText));
    ShowVatBackground();
    if (outcome.showNotNumeric) {
        if (!rangeMode_)
            ShowNoResults();
        tools::ShowMessage(this, QString::fromUtf8(kVatNotNumericText));
    }
    if (outcome.selectAllAndFocus) {
        edUST->selectAll();
        edUST->setFocus();
    }
    // The results follow the rate now in force; the focus stays in the field
    // unless the run's own message sends it to a price field.
    if (outcome.run == RunStart::KeepFocus)
        RunCalculation();
    if (outcome.run == RunStart::ReturnToPrice)
        btBerechnenClick();
}

void TForm1::ShowVatBackground() {
    QPalette palette = edUST->palette();
    palette.setColor(QPalette::Base, VatFieldColour(vatField_.RateKind()));
    edUST->setPalette(palette);
}

// -------------------------------------------------------------- price fields

void TForm1::eFAPBASISKeyPress(char32_t& key) {
    FilterKeyIn(eFAPBASIS, key);
    if (key != kEnterKey)
        return;
    if (rangeMode_) {
        eBis->setFocus();
        eBis->selectAll();
    } else {
        btBerechnenClick();
    }
}

void TForm1::lbBisKeyPress(char32_t& key) {
    FilterKeyIn(eBis, key);
    if (key == kEnterKey)
        Edit1->setFocus();
}

void TForm1::Edit1KeyPress(char32_t& key) {
    FilterKeyIn(Edit1, key);
    if (key == kEnterKey) {
        StringGrid1->setFocus();
        RunCalculation();
    }
}

bool TForm1::PriceFieldKeyPress(QLineEdit* field, QKeyEvent* event) {
    return ApplyPriceKey(field, event, [this, field](char32_t& key) {
        if (field == eFAPBASIS)
            eFAPBASISKeyPress(key);
        else if (field == eBis)
            lbBisKeyPress(key);
        else
            Edit1KeyPress(key);
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edUST) {
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // The field first finishes losing the focus (deselecting, hiding the
            // caret), so that a refocus by the exit handler is not undone.
            deliver(edUST, event);
            if (leavesField(reason) && runState_.WindowOpen())
                edUSTExit();
            return true;
        }
        if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event)))
            edUSTKeyPress(kEnterKey);
        return false; // the key goes on to the field
    }

    QLineEdit* field = watched == eFAPBASIS ? eFAPBASIS
                       : watched == eBis    ? eBis
                       : watched == Edit1   ? Edit1
                                            : nullptr;
    if (field) {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            deliver(field, event);
            if (selectsOnFocusIn(reason))
                field->selectAll();
            return true;
        }
        if (event->type() == QEvent::KeyPress)
            return PriceFieldKeyPress(field, static_cast<QKeyEvent*>(event));
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fapkalk
