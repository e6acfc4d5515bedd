// A long random session on the real main window: typing, switches, the VAT
// field with its question answered at random, mode changes, runs and range runs
// (aborted or restarted from inside), the detail window, the export and the
// window placement. After every step the window must agree with the model in
// soak_model.h, and every price it shows must be a well-formed price text.
//
// FAPKALK_SOAK_ACTIONS: number of actions (default 1000).
// FAPKALK_SOAK_SEED: the generator's seed (default 20120101). A failure prints
// the seed, the action index and the last 20 actions; the same seed and count
// replay the same session.
#include "soak_model.h"

#include "app/StartProgram.h"
#include "pricing/engine.h"
#include "pricing/numbers.h"
#include "tools/messages.h"
#include "ui/main/FAP_Main.h"
#include "ui/mainwindowkit.h"
#include "ui/output/FAP_Export.h"
#include "ui/output/Fap_DetMore.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>
#include <sstream>

using namespace fapkalk;
using namespace soak;

namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const QByteArray value = qgetenv(name);
    bool ok = false;
    const qulonglong number = value.toULongLong(&ok);
    return ok ? number : fallback;
}

std::string Std(const QString& text) {
    return text.toStdString();
}

std::string KeyName(char32_t key) {
    if (key == 8)
        return "<BS>";
    if (key == 13)
        return "<Enter>";
    if (key == U' ')
        return "<Blank>";
    return QString::fromUcs4(&key, 1).toStdString();
}

// Runs action from the event loop as soon as window is visible and exposed,
// also from inside the modal loop that shows it. The caller disarms the returned
// token when the opening is over, so a watch that never fired cannot act on a
// later opening. A window still open 10 s after the action, while the watch is
// armed, is closed, so a broken session ends instead of hanging.
std::shared_ptr<bool> WhenVisible(QWidget* window, std::function<void()> action) {
    auto armed = std::make_shared<bool>(true);
    QPointer<QWidget> target(window);
    auto* poll = new QTimer;
    poll->setInterval(1);
    QObject::connect(poll, &QTimer::timeout, [poll, target, action, armed] {
        if (!target || !*armed) {
            poll->stop();
            poll->deleteLater();
            return;
        }
        if (!target->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        if (!QTest::qWaitForWindowExposed(target))
            return; // the caller reports the opening that did nothing
        action();
        QTimer::singleShot(10000, [target, armed] {
            if (*armed && target && target->isVisible())
                target->close();
        });
    });
    poll->start();
    return armed;
}

// Clicks a radio button on its indicator (its middle may lie beyond the label).
void ClickRadio(QRadioButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// A typed character as the keyboard delivers it.
void TypeKey(QWidget* widget, char32_t key) {
    if (key == 8) {
        QTest::keyClick(widget, Qt::Key_Backspace);
    } else if (key == 13) {
        QTest::keyClick(widget, Qt::Key_Return);
    } else if (key == U'ä') {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_Adiaeresis, QStringLiteral("ä"),
                            Qt::NoModifier);
    } else {
        QTest::keyClick(widget, char(key));
    }
}

QColor TextColour(const QPushButton* button) {
    // The colour the switch gives; a disabled button draws it grey instead.
    return button->palette().color(QPalette::Active, QPalette::ButtonText);
}

} // namespace

class Soak {
public:
    Soak(std::uint64_t seed, const QString& dir)
        : seed_(seed), gen_(seed), model_(kRangeRowLimit), dir_(dir) {
        previousHandler_ = tools::SetMessageHandler([this](QWidget*, const tools::Message& m) {
            messages_.push_back(Std(m.text));
            if (m.kind != tools::MessageKind::Confirmation)
                return tools::MessageAnswer::Ok;
            const int pick = gen_.Uniform(0, 99);
            const Answer answer = pick < 55 ? Answer::Yes : pick < 85 ? Answer::No : Answer::Closed;
            answers_.push_back(answer);
            Note(answer == Answer::Yes ? " [Ja]" : answer == Answer::No ? " [Nein]" : " [closed]");
            return answer == Answer::Yes  ? tools::MessageAnswer::Yes
                   : answer == Answer::No ? tools::MessageAnswer::No
                                          : tools::MessageAnswer::Closed;
        });
        detail_.JvFormPlacement1->IniFileName = IniPath();
        // As the start-up wires it: Export in the detail window is the main window's.
        detail_.SetExportAction([this] { form_->btExportClick(); });
        MakeWindow();
    }
    ~Soak() {
        form_.reset();
        tools::SetMessageHandler(std::move(previousHandler_));
    }

    // Runs count actions; false after the first disagreement (report() says why).
    bool Run(int count);
    const std::string& Report() const { return report_; }
    int Done() const { return done_; }

private:
    static constexpr int kRangeRowLimit = 400;
    static constexpr int kLongRangeRowLimit = 20000;

    QString IniPath() const { return dir_ + QStringLiteral("/kalvor.ini"); }
    void MakeWindow();
    void Act(ActionKind kind);
    void Note(const std::string& text) {
        if (!history_.empty())
            history_.back() += text;
    }

    // One step: what the user does, then what the model makes of it.
    void Step(const std::function<void()>& user, const std::function<void(Expectation&)>& model);
    bool Check(const Expectation& expected);
    bool Fail(const std::string& why) {
        if (failure_.empty())
            failure_ = why;
        return false;
    }
    Answer NextAnswer() {
        if (answers_.empty())
            return Answer::Closed; // a question the window did not ask: the messages differ
        const Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    RunInputs Fields() const {
        return {Std(ui_->eFAPBASIS->text()), Std(ui_->eBis->text()), Std(ui_->Edit1->text())};
    }
    // A run that btBerechnenClick starts: the run, then the focus to eFAPBASIS.
    void BerechnenRun(Expectation& e) {
        model_.Run(Fields(), e);
        e.focusBase = true;
    }
    void ApplyVat(Expectation& e) {
        std::optional<Answer> answer;
        if (model_.VatWouldAsk())
            answer = NextAnswer();
        switch (model_.ApplyVat(answer, e)) {
        case VatRun::None:
            break;
        case VatRun::Berechnen:
            BerechnenRun(e);
            break;
        case VatRun::InPlace: {
            // The run follows with the focus in the VAT field; a message of
            // the run that sends the focus to a price field takes it there.
            Expectation run;
            model_.Run(Fields(), run);
            e.messages.insert(e.messages.end(), run.messages.begin(), run.messages.end());
            if (run.focusBase || run.focusRefused >= 0) {
                e.focusVat = false;
                e.focusBase = run.focusBase;
                e.focusRefused = run.focusRefused;
            }
            break;
        }
        }
    }

    // Building blocks of the actions.
    void LeaveVatIfFocused();
    void EnsureRangeMode(bool range);
    void FocusField(QLineEdit* field, bool byKeyboard);
    void TypeInto(QLineEdit* field, char32_t key);
    void Retype(QLineEdit* field, const std::string& text);
    void ClickSwitch(QPushButton* button);
    void LongRange(bool abort);
    void ExportNow(QWidget* opener);
    // What the export's message adds about a table that ends before Bis.
    std::string EndText() const;
    void OpenDetail();
    void RecreateWindow();
    void Reactivate();
    bool CheckExportFile(const QString& path, bool xls, bool header);

    std::uint64_t seed_;
    Generator gen_;
    Model model_;
    QString dir_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<testkit::MainControls> ui_; // of form_
    int rowLimit_ = kRangeRowLimit;             // what form_ is told at each range run
    TdlgFAP_EXPORT export_;
    TDetMore detail_;
    tools::MessageHandler previousHandler_;
    std::vector<std::string> messages_;
    std::deque<Answer> answers_;
    std::deque<std::string> history_;
    std::string failure_;
    std::string report_;
    int done_ = 0;
    int exports_ = 0;
    int checkedGridVersion_ = -1;
};

void Soak::MakeWindow() {
    MainWindowSettings settings;
    settings.MaxRangeRows = [this] { return rowLimit_; };
    rowLimit_ = kRangeRowLimit;
    ui_.reset();
    form_ = CreateMainWindow(
        QStringList{QStringLiteral("fapkalk"), QStringLiteral("/inidest:") + IniPath()}, settings);
    ui_ = std::make_unique<testkit::MainControls>(*form_);
    form_->SetExportOpener([this](const ResultTable& table) { export_.ExecFor(table); });
    form_->SetDetailOpener([this](const ResultTable& table) { detail_.ShowFor(table); });
    form_->show();
    form_->activateWindow();
    if (!QTest::qWaitForWindowExposed(form_.get()) || !QTest::qWaitForWindowActive(form_.get()))
        Fail("the main window did not come up active");
    model_ = Model(kRangeRowLimit);
}

// When a modal window closes, the window manager gives the activation back to
// the main window; the offscreen platform has none, so the user's click does.
void Soak::Reactivate() {
    if (QApplication::activeWindow() == form_.get())
        return;
    form_->activateWindow();
    if (!QTest::qWaitForWindowActive(form_.get()))
        Fail("the main window could not be activated again");
}

bool Soak::Run(int count) {
    std::ostringstream out;
    for (int i = 0; i < count; ++i) {
        const ActionKind kind = gen_.NextAction();
        history_.push_back("#" + std::to_string(i) + " " + ActionName(kind) + ":");
        if (history_.size() > 20)
            history_.pop_front();
        Act(kind);
        if (!failure_.empty()) {
            out << "soak failed at action " << i << " (seed " << seed_ << "): " << failure_
                << "\nlast range run of the model: " << model_.lastRangeRun << "\nlast actions:\n";
            for (const std::string& line : history_)
                out << "  " << line << "\n";
            report_ = out.str();
            return false;
        }
        done_ = i + 1;
    }
    return true;
}

void Soak::Step(const std::function<void()>& user, const std::function<void(Expectation&)>& model) {
    if (!failure_.empty())
        return;
    messages_.clear();
    answers_.clear();
    user();
    Expectation expected;
    model(expected);
    Check(expected);
}

// ------------------------------------------------------------------ checks

bool Soak::Check(const Expectation& e) {
    TForm1& f = *form_;
    if (messages_ != e.messages) {
        std::string text = "messages differ; shown:";
        for (const std::string& m : messages_)
            text += " [" + m + "]";
        text += " expected:";
        for (const std::string& m : e.messages)
            text += " [" + m + "]";
        return Fail(text);
    }
    if (!answers_.empty())
        return Fail("a question was answered that the model did not expect");
    if (f.IsCalculating() || ui_->GroupBox2->isVisible() || QApplication::overrideCursor())
        return Fail("a run did not end cleanly (running, progress box or busy cursor left)");
    if (form_->isVisible() && !QApplication::activeModalWidget()) {
        Reactivate(); // after a modal window, when the activation has not come back yet
        if (QApplication::activeWindow() != form_.get())
            return Fail("the main window is not the active window");
    }
    QWidget* focus = QApplication::focusWidget();
    QLineEdit* const priceFields[] = {ui_->eFAPBASIS, ui_->eBis, ui_->Edit1};
    if (e.focusVat) {
        if (focus != ui_->edUST)
            return Fail("the focus should be on the VAT field");
    } else if (e.focusRefused >= 0) {
        QLineEdit* field = priceFields[e.focusRefused];
        if (focus != field || field->selectedText() != field->text())
            return Fail("the refused field should have the focus, its text selected");
    } else if (e.focusBase && focus != ui_->eFAPBASIS) {
        return Fail("the focus should be on eFAPBASIS");
    }

    // Switches and modes.
    if (!(f.Options() == model_.options))
        return Fail("calculation switches differ from the model");
    if (ui_->sbStern->isEnabled() != model_.sternEnabled ||
        ui_->rgRechenModi->itemIndex() != (model_.options.Homeopathic ? 1 : 0))
        return Fail("calculation mode controls differ from the model");
    const QColor red(255, 0, 0), black(0, 0, 0), blue(0, 0, 255);
    if (TextColour(ui_->sbSG) != (model_.options.Narcotic ? red : black) ||
        TextColour(ui_->sbVet) != (model_.options.Veterinary ? red : black) ||
        TextColour(ui_->sbStern) != (model_.options.NotReimbursable ? red : black) ||
        TextColour(ui_->spFAPAEP) != (model_.options.AepInput ? blue : black))
        return Fail("a switch caption shows the wrong state");
    if (f.RangeMode() != model_.rangeMode)
        return Fail("RangeMode differs from the model");
    const bool aep = model_.options.AepInput;
    const QString title = ui_->GroupBox1->title();
    const QString price = ui_->lbvon->text();
    if (model_.rangeMode
            ? (price != QStringLiteral("Von") ||
               title != (aep ? QStringLiteral("Apothekeneinkaufspreis:")
                             : QStringLiteral("Fabriksabgabepreis:")))
            : (!title.isEmpty() || price != (aep ? QStringLiteral("Einkaufspreis:")
                                                 : QStringLiteral("Fabriksabgabepreis:"))))
        return Fail("group caption or price label wrong: '" + Std(title) + "' / '" + Std(price) +
                    "'");

    // The VAT field and factor.
    if (f.VatFactor() != model_.vatFactor || !IsReachableVatFactor(f.VatFactor()))
        return Fail("VatFactor " + std::to_string(f.VatFactor()) + ", model " +
                    std::to_string(model_.vatFactor));
    if (f.VatEdited() != model_.vatEdited || Std(ui_->edUST->text()) != model_.vatText)
        return Fail("VAT field text or edited state differs from the model");
    const QColor base = ui_->edUST->palette().color(QPalette::Base);
    const QColor want = model_.vatColour == VatColour::Lime     ? QColor(0, 255, 0)
                        : model_.vatColour == VatColour::Yellow ? QColor(255, 255, 0)
                                                                : red;
    if (base != want)
        return Fail("VAT field background wrong");

    // The price fields keep to the key filter's rules.
    for (QLineEdit* field : {ui_->eFAPBASIS, ui_->eBis, ui_->Edit1}) {
        const QString text = field->text();
        if (text.contains(u',') || text.count(u'.') > 1)
            return Fail("price field holds a comma or two points: " + Std(text));
        if (field != ui_->Edit1 && text != text.toUpper())
            return Fail("lower-case letter in an upper-case field: " + Std(text));
    }

    // Single-mode labels.
    const std::pair<QLabel*, const std::string*> labels[] = {{ui_->lbFAP, &model_.lbFAP},
                                                             {ui_->lbAEP, &model_.lbAEP},
                                                             {ui_->lbKP, &model_.lbKP},
                                                             {ui_->lbAVP, &model_.lbAVP}};
    for (int i = 0; i < 4; ++i) {
        const std::string text = Std(labels[i].first->text());
        if (text != *labels[i].second)
            return Fail("label " + std::to_string(i) + " shows '" + text + "', model '" +
                        *labels[i].second + "'");
        const bool placeholder = text == kLabelStart || (i == 0 && text == kLabelAepPlaceholder);
        if (!placeholder && !IsPriceText(text))
            return Fail("label text is no price text: '" + text + "'");
        if (i >= 2 && !placeholder && FiveCentRuleApplies(text) && !IsFiveCentText(text))
            return Fail("KP/AVP label not on five cents: '" + text + "'");
    }

    // The grid: the rows of one run, or a prefix of them after Abbruch.
    const ResultGridModel& grid = f.GridModel();
    const int rows = grid.rowCountExact();
    const int want_rows = int(model_.grid.size());
    if (model_.prefixAllowed ? (rows > want_rows || rows % 15 != 1) : rows != want_rows)
        return Fail("grid has " + std::to_string(rows) + " rows, model " +
                    std::to_string(want_rows) + (model_.prefixAllowed ? " (prefix 15m+1)" : ""));
    if (grid.rowCount() != rows)
        return Fail("the grid view was not told about every row");
    for (int r = 0; r < rows; ++r) {
        const GridRow& m = model_.grid[std::size_t(r)];
        const std::string* cells[] = {&m.fap, &m.aep, &m.kp, &m.avp};
        for (int c = 0; c < 4; ++c) {
            if (grid.cellText(r, c) != *cells[c])
                return Fail("grid cell " + std::to_string(r) + "," + std::to_string(c) + " '" +
                            std::string(grid.cellText(r, c)) + "', model '" + *cells[c] + "'");
        }
    }
    return true;
}

// Every text of the model's grid is a price text (checked once per new grid:
// the window's grid equals it cell for cell after every step).
static bool GridTextsWellFormed(const std::vector<GridRow>& grid, std::string& why) {
    if (grid.size() == 1 && grid[0] == GridRow{})
        return true; // the one empty row of a grid without results
    for (const GridRow& row : grid) {
        if (row.fap != kRowAepPlaceholder && !IsPriceText(row.fap))
            why = "FAP cell '" + row.fap + "'";
        else if (!IsPriceText(row.aep))
            why = "AEP cell '" + row.aep + "'";
        else if (!IsPriceText(row.kp) || (FiveCentRuleApplies(row.kp) && !IsFiveCentText(row.kp)))
            why = "KP cell '" + row.kp + "'";
        else if (!IsPriceText(row.avp) ||
                 (FiveCentRuleApplies(row.avp) && !IsFiveCentText(row.avp)))
            why = "AVP cell '" + row.avp + "'";
        if (!why.empty())
            return false;
    }
    return true;
}

// ----------------------------------------------------------------- actions

void Soak::LeaveVatIfFocused() {
    // Declined and refused texts send the focus back; the user leaves again.
    for (int attempt = 0; attempt < 3 && QApplication::focusWidget() == ui_->edUST; ++attempt) {
        Note(" <Tab out of VAT>");
        Step([&] { QTest::keyClick(ui_->edUST, Qt::Key_Tab); },
             [&](Expectation& e) { ApplyVat(e); });
    }
}

void Soak::EnsureRangeMode(bool range) {
    if (form_->RangeMode() == range)
        return;
    LeaveVatIfFocused();
    Note(range ? " <Erweitert>" : " <Normal>");
    Step([&] { QTest::mouseClick(ui_->btErweitert, Qt::LeftButton); },
         [&](Expectation& e) {
             model_.ToggleMode();
             e.focusBase = true;
         });
}

void Soak::FocusField(QLineEdit* field, bool byKeyboard) {
    if (QApplication::focusWidget() == field)
        return;
    LeaveVatIfFocused();
    Step(
        [&] {
            if (byKeyboard)
                field->setFocus(Qt::TabFocusReason); // as by Tab: the text is selected
            else
                QTest::mouseClick(field, Qt::LeftButton);
        },
        [](Expectation&) {});
}

void Soak::TypeInto(QLineEdit* field, char32_t key) {
    Note(" " + KeyName(key));
    Step([&] { TypeKey(field, key); },
         [&](Expectation& e) {
             if (key != 13)
                 return;
             if (field == ui_->eFAPBASIS && !model_.rangeMode) {
                 BerechnenRun(e);
             } else if (field == ui_->Edit1) {
                 model_.Run(Fields(), e); // the focus went to the grid first
             }
         });
}

void Soak::Retype(QLineEdit* field, const std::string& text) {
    FocusField(field, true);
    TypeInto(field, 8); // the selected text goes
    for (char c : text)
        TypeInto(field, char32_t(c));
}

void Soak::ClickSwitch(QPushButton* button) {
    // The speed buttons take no focus: the VAT field may keep it, and a run
    // that moves the focus to eFAPBASIS then leaves the field.
    const bool vatFocused = QApplication::focusWidget() == ui_->edUST;
    Step([&] { QTest::mouseClick(button, Qt::LeftButton); },
         [&](Expectation& e) {
             if (button == ui_->sbSG)
                 model_.ClickNarcotic();
             else if (button == ui_->sbVet)
                 model_.ClickVet();
             else if (button == ui_->sbStern) {
                 if (!model_.sternEnabled)
                     return; // a disabled button takes no click
                 model_.ClickStern();
             } else
                 model_.ClickFapAep();
             model_.Run(Fields(), e);
             // Left unchanged during the run, the field starts nothing; a
             // changed one is applied (and may run again).
             if (vatFocused && (e.focusBase || e.focusRefused >= 0) && model_.vatEdited)
                 ApplyVat(e);
         });
}

void Soak::Act(ActionKind kind) {
    TForm1& f = *form_;
    switch (kind) {
    case ActionKind::TypeBase:
    case ActionKind::TypeBis:
    case ActionKind::TypeStep: {
        QLineEdit* field = kind == ActionKind::TypeBase  ? ui_->eFAPBASIS
                           : kind == ActionKind::TypeBis ? ui_->eBis
                                                         : ui_->Edit1;
        if (field != ui_->eFAPBASIS)
            EnsureRangeMode(true);
        FocusField(field, gen_.Chance(30));
        const int keys = gen_.Uniform(1, 6);
        for (int k = 0; k < keys && failure_.empty(); ++k) {
            const char32_t key = gen_.PriceKey();
            TypeInto(field, key);
            if (key == 13)
                break; // the focus has moved on
        }
        break;
    }
    case ActionKind::ClearField: {
        QLineEdit* fields[] = {ui_->eFAPBASIS, ui_->eBis, ui_->Edit1};
        QLineEdit* field = fields[f.RangeMode() ? gen_.Uniform(0, 2) : 0];
        Retype(field, gen_.Chance(10) ? std::string() : gen_.ShortPrice(0, 300));
        if (gen_.Chance(30))
            TypeInto(field, 13);
        break;
    }
    case ActionKind::TypeVat: {
        if (QApplication::focusWidget() != ui_->edUST) {
            LeaveVatIfFocused();
            const bool accelerator = gen_.Chance(40);
            Note(accelerator ? " <Alt+U>" : " <click>");
            Step(
                [&] {
                    if (accelerator)
                        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                                    : form_.get(),
                                        Qt::Key_U, Qt::AltModifier);
                    else
                        QTest::mouseClick(ui_->edUST, Qt::LeftButton);
                },
                [](Expectation&) {});
            if (QApplication::focusWidget() != ui_->edUST) {
                Fail("the VAT field did not take the focus");
                break;
            }
        }
        const int keys = gen_.Uniform(1, 3);
        for (int k = 0; k < keys && failure_.empty(); ++k) {
            const char32_t key = gen_.VatKey();
            Note(" " + KeyName(key));
            // Every edit counts as a change, also one that gives the same text
            // (a selected "4" typed over with "4").
            int changes = 0;
            const QMetaObject::Connection counting =
                QObject::connect(ui_->edUST, &QLineEdit::textChanged, [&changes] { ++changes; });
            Step([&] { TypeKey(ui_->edUST, key); },
                 [&](Expectation&) {
                     if (changes > 0)
                         model_.VatTextChanged(Std(ui_->edUST->text()));
                 });
            QObject::disconnect(counting);
        }
        const int end = gen_.Uniform(0, 9);
        if (end < 4) {
            Note(" <Enter>");
            Step([&] { QTest::keyClick(ui_->edUST, Qt::Key_Return); },
                 [&](Expectation& e) { ApplyVat(e); });
        } else if (end < 7) {
            LeaveVatIfFocused();
        }
        break;
    }
    case ActionKind::ClickNarcotic:
        ClickSwitch(ui_->sbSG);
        break;
    case ActionKind::ClickVet:
        ClickSwitch(ui_->sbVet);
        break;
    case ActionKind::ClickStern:
        ClickSwitch(ui_->sbStern);
        break;
    case ActionKind::ClickFapAep:
        ClickSwitch(ui_->spFAPAEP);
        break;
    case ActionKind::ClickMode: {
        LeaveVatIfFocused();
        const int index = gen_.Uniform(0, 1);
        Note(" item " + std::to_string(index));
        Step([&] { ClickRadio(ui_->rgRechenModi->button(index)); },
             [&](Expectation& e) {
                 if (index == (model_.options.Homeopathic ? 1 : 0))
                     return; // the selected item again: nothing new
                 model_.SelectMode(index);
                 model_.Run(Fields(), e);
             });
        break;
    }
    case ActionKind::KeyMode: {
        LeaveVatIfFocused();
        QRadioButton* current = ui_->rgRechenModi->button(ui_->rgRechenModi->itemIndex());
        Step([&] { current->setFocus(Qt::TabFocusReason); }, [](Expectation&) {});
        const Qt::Key key = gen_.Chance(50) ? Qt::Key_Down : Qt::Key_Up;
        Note(key == Qt::Key_Down ? " <Down>" : " <Up>");
        Step([&] { QTest::keyClick(QApplication::focusWidget(), key); },
             [&](Expectation& e) {
                 const int index = ui_->rgRechenModi->itemIndex();
                 if (index == (model_.options.Homeopathic ? 1 : 0))
                     return;
                 model_.SelectMode(index);
                 model_.Run(Fields(), e);
             });
        break;
    }
    case ActionKind::ToggleMode:
        EnsureRangeMode(!f.RangeMode());
        break;
    case ActionKind::Berechnen:
        LeaveVatIfFocused();
        Step([&] { QTest::mouseClick(ui_->btBerechnen, Qt::LeftButton); },
             [&](Expectation& e) { BerechnenRun(e); });
        break;
    case ActionKind::SmallRange: {
        EnsureRangeMode(true);
        const std::string von = gen_.ShortPrice(0.01, 150);
        const double from =
            ParsePrice(QString::fromStdString(von).replace(u',', u'.').toStdString());
        Retype(ui_->eFAPBASIS, von);
        Retype(ui_->eBis, gen_.ShortPrice(from, from + 20));
        Retype(ui_->Edit1, gen_.ShortPrice(0.05, 2));
        if (gen_.Chance(50)) {
            TypeInto(ui_->Edit1, 13);
        } else {
            LeaveVatIfFocused();
            Step([&] { QTest::mouseClick(ui_->btBerechnen, Qt::LeftButton); },
                 [&](Expectation& e) { BerechnenRun(e); });
        }
        break;
    }
    case ActionKind::AbortedRange:
        LongRange(true);
        break;
    case ActionKind::SwitchInRun:
        LongRange(false);
        break;
    case ActionKind::Detail:
        EnsureRangeMode(true);
        OpenDetail();
        break;
    case ActionKind::Export:
        EnsureRangeMode(true);
        LeaveVatIfFocused();
        ExportNow(ui_->btExport);
        break;
    case ActionKind::Placement:
        LeaveVatIfFocused();
        RecreateWindow();
        break;
    }
    std::string why;
    if (failure_.empty() && model_.gridVersion != checkedGridVersion_) {
        checkedGridVersion_ = model_.gridVersion;
        if (!GridTextsWellFormed(model_.grid, why))
            Fail("malformed grid text: " + why);
    }
}

// A long range; from inside the run either Abbruch or a switch is clicked.
void Soak::LongRange(bool abort) {
    TForm1& f = *form_;
    EnsureRangeMode(true);
    const std::string von = gen_.ShortPrice(0.01, 50);
    const double from = ParsePrice(QString::fromStdString(von).replace(u',', u'.').toStdString());
    Retype(ui_->eFAPBASIS, von);
    Retype(ui_->eBis, gen_.ShortPrice(from + 1000, from + 3000));
    Retype(ui_->Edit1, gen_.ShortPrice(0.01, 0.2));
    LeaveVatIfFocused();
    if (!failure_.empty())
        return;
    const int after = gen_.Uniform(0, abort ? 3000 : 1500);
    QPushButton* switches[] = {ui_->sbSG, ui_->sbVet, ui_->sbStern, ui_->spFAPAEP};
    QPushButton* button = switches[gen_.Uniform(0, 3)];
    Note(abort ? " Abbruch after " + std::to_string(after)
               : " " + Std(button->objectName()) + " after " + std::to_string(after));
    bool clicked = false;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (clicked || !f.IsCalculating() || !ui_->GroupBox2->isVisible() ||
            f.GridModel().rowCountExact() <= after)
            return;
        clicked = true;
        QTest::mouseClick(abort ? ui_->btverab : button, Qt::LeftButton);
    });
    rowLimit_ = kLongRangeRowLimit;
    model_.setMaxRangeRows(kLongRangeRowLimit);
    Step(
        [&] {
            clicker.start(0);
            QTest::mouseClick(ui_->btBerechnen, Qt::LeftButton);
            clicker.stop();
        },
        [&](Expectation& e) {
            if (clicked && !abort) {
                // The run started again with the switch as it is now.
                if (button == ui_->sbSG)
                    model_.ClickNarcotic();
                else if (button == ui_->sbVet)
                    model_.ClickVet();
                else if (button == ui_->sbStern) {
                    if (model_.sternEnabled)
                        model_.ClickStern();
                } else
                    model_.ClickFapAep();
            }
            BerechnenRun(e);
            if (clicked && abort) {
                model_.prefixAllowed = true;
                // An aborted run keeps the rows it wrote, and no limit was reached.
                if (!e.messages.empty() && e.messages.back().rfind("Die Tabelle", 0) == 0)
                    e.messages.pop_back();
            }
        });
    rowLimit_ = kRangeRowLimit;
    model_.setMaxRangeRows(kRangeRowLimit);
    Note(clicked ? " (clicked in run)" : " (run ended first)");
}

bool Soak::CheckExportFile(const QString& path, bool xls, bool header) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail("export file missing");
    const QByteArray bytes = file.readAll();
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.back().isEmpty())
        return Fail("export file does not end with a line break");
    lines.removeLast();
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r'))
            return Fail("export line without CR LF");
        line.chop(1);
    }
    const int headerLines = header ? 5 : 0;
    const ResultGridModel& grid = form_->GridModel();
    const int rows = grid.rowCountExact();
    if (lines.size() != headerLines + 1 + rows)
        return Fail("export file has " + std::to_string(lines.size()) + " lines for " +
                    std::to_string(rows) + " rows");
    if (header && (!lines[0].startsWith("Fileinfo:") || !lines[2].startsWith("  Preise: Basis: ")))
        return Fail("export header block wrong");
    if (lines[headerLines] != "FAP ;AEP ;KP ;AVP ")
        return Fail("export column header wrong");
    for (int r = 0; r < rows; ++r) {
        // The data line rebuilt from the model's row: cents without points, or
        // trimmed texts with decimal commas between semicolons.
        const GridRow& m = model_.grid[std::size_t(r)];
        std::string want;
        for (const std::string* cell : {&m.fap, &m.aep, &m.kp, &m.avp}) {
            std::string text = *cell;
            if (xls) {
                const auto first = text.find_first_not_of(' ');
                text = first == std::string::npos ? std::string() : text.substr(first);
                for (char& c : text)
                    if (c == '.')
                        c = ',';
                if (cell != &m.fap)
                    want += ';';
            } else {
                std::erase(text, '.');
            }
            want += text;
        }
        if (lines[headerLines + 1 + r].toStdString() != want)
            return Fail("export line " + std::to_string(r) + " '" +
                        lines[headerLines + 1 + r].toStdString() + "', expected '" + want + "'");
    }
    return true;
}

void Soak::ExportNow(QWidget* opener) {
    const QString path = dir_ + QStringLiteral("/export%1.csv").arg(exports_++ % 3);
    const bool xls = gen_.Chance(50);
    const bool header = gen_.Chance(50);
    const bool byEnter = gen_.Chance(30);
    Note(std::string(xls ? " XLS" : " fixed") + (header ? " with header" : "") +
         (byEnter ? " by Enter" : ""));
    // A table without computed rows is not exported: a message, no dialog.
    const bool blank = model_.grid.size() == 1 && model_.grid[0] == GridRow{};
    bool exported = false;
    const auto watch = WhenVisible(&export_, [&, path] {
        export_.Edit1->setText(path);
        ClickRadio(export_.RadioGroup2->button(xls ? 1 : 0));
        if (export_.cbMeta->isChecked() != header)
            QTest::mouseClick(export_.cbMeta, Qt::LeftButton, Qt::NoModifier,
                              QPoint(6, export_.cbMeta->height() / 2));
        exported = true;
        if (byEnter)
            QTest::keyClick(export_.Edit1, Qt::Key_Return);
        else
            QTest::mouseClick(export_.Button1, Qt::LeftButton);
    });
    Step(
        [&] {
            if (auto* button = qobject_cast<QPushButton*>(opener))
                QTest::mouseClick(button, Qt::LeftButton);
        },
        [&](Expectation& e) {
            if (opener == ui_->btExport)
                Reactivate();
            if (blank)
                e.messages.push_back("Es gibt keine berechneten Zeilen zum Exportieren.");
            else if (exported) // else reported below
                e.messages.push_back(
                    "Es wurden " + std::to_string(form_->GridModel().rowCountExact()) +
                    " Sätze in die Datei " + Std(path) + " übertragen!" + EndText());
        });
    *watch = false;
    if (blank) {
        if (exported)
            Fail("a table without rows was exported");
        return;
    }
    if (!exported)
        Fail("the export dialog did not open");
    if (failure_.empty() && export_.isVisible())
        Fail("the export dialog is still open");
    if (failure_.empty())
        CheckExportFile(path, xls, header);
}

std::string Soak::EndText() const {
    const int rows = form_->GridModel().rowCountExact();
    const fapkalk::TableEnd end = model_.prefixAllowed && rows < int(model_.grid.size())
                                      ? fapkalk::TableEnd::Aborted
                                      : model_.gridEnd;
    if (end == fapkalk::TableEnd::Complete)
        return {};
    // The last row's typed price: the FAP, or in AEP mode the AEP.
    const GridRow& last = model_.grid[std::size_t(rows - 1)];
    const std::string shown = last.fap == kRowAepPlaceholder ? last.aep : last.fap;
    return " " + fapkalk::TableEndText(end, last.fap == kRowAepPlaceholder, ReadField(shown).cents);
}

void Soak::OpenDetail() {
    LeaveVatIfFocused();
    const bool exportFromDetail = gen_.Chance(30);
    bool opened = false;
    std::string problem;
    const auto watch = WhenVisible(&detail_, [&] {
        opened = true;
        const ResultGridModel& copy = detail_.GridModel();
        const ResultGridModel& main = form_->GridModel();
        if (copy.rowCountExact() != main.rowCountExact())
            problem = "detail window shows another row count";
        for (int r = 0; problem.empty() && r < main.rowCountExact(); ++r)
            for (int c = 0; c < 4; ++c)
                if (copy.cellText(r, c) != main.cellText(r, c))
                    problem = "detail cell differs";
        if (detail_.windowTitle() != QStringLiteral("Detail-Ansicht") ||
            detail_.width() != kDetailWindowWidth)
            problem = "detail window caption or width wrong";
        if (exportFromDetail && problem.empty()) {
            Note(" export from detail");
            ExportNow(detail_.btExport);
        }
        QTest::mouseClick(detail_.BitBtn1, Qt::LeftButton);
    });
    Step([&] { QTest::mouseClick(ui_->btDetMore, Qt::LeftButton); },
         [&](Expectation& e) {
             Reactivate();
             // The messages of an export from the detail window were checked there.
             if (exportFromDetail)
                 e.messages = messages_;
             e.focusBase = false;
         });
    *watch = false;
    if (!opened)
        Fail("the detail window did not open");
    if (failure_.empty() && !problem.empty())
        Fail(problem);
    if (failure_.empty() && detail_.isVisible())
        Fail("the detail window is still open");
}

void Soak::RecreateWindow() {
    TForm1& f = *form_;
    const QRect area = f.screen()->availableGeometry();
    const QPoint place(area.left() + gen_.Uniform(0, 300), area.top() + gen_.Uniform(0, 200));
    Note(" at " + std::to_string(place.x()) + "," + std::to_string(place.y()));
    f.move(place);
    QCoreApplication::processEvents();
    const QPoint before = f.pos();
    Step([&] { QTest::mouseClick(ui_->Button2, Qt::LeftButton); }, [](Expectation&) {});
    if (!failure_.empty())
        return;
    if (f.isVisible()) {
        Fail("Beenden did not close the window");
        return;
    }
    QFile ini(IniPath());
    if (!ini.open(QIODevice::ReadOnly) || !ini.readAll().contains("[formpara]")) {
        Fail("no section formpara in the settings file after closing");
        return;
    }
    MakeWindow(); // a new window: the start state, placed where the last one was
    if (form_->pos() != before || form_->size() != QSize(kMainWindowWidth, kSingleModeHeight))
        Fail("placement not restored: (" + std::to_string(form_->x()) + "," +
             std::to_string(form_->y()) + ") " + std::to_string(form_->width()) + "x" +
             std::to_string(form_->height()) + ", expected (" + std::to_string(before.x()) + "," +
             std::to_string(before.y()) + ")");
    Step([] {}, [](Expectation&) {});
}

// ------------------------------------------------------------------- tests

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void priceTextCheck_data();
    void priceTextCheck();
    void fiveCentCheck_data();
    void fiveCentCheck();
    void reachableVatFactors();
    void rangeRowsAreWholeCents_data();
    void rangeRowsAreWholeCents();
    void vatModel_data();
    void vatModel();
    void soak();
};

void TestSoak::cleanup() {
    tools::SetMessageHandler({});
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TestSoak::priceTextCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("formatted") << QString::fromStdString(FormatPrice(12.34)) << true;
    QTest::newRow("zero") << QString::fromStdString(FormatPrice(0)) << true;
    QTest::newRow("negative") << QString::fromStdString(FormatPrice(-3.05)) << true;
    QTest::newRow("large") << QString::fromStdString(FormatPrice(123456789.5)) << true;
    QTest::newRow("cut decimals") << "10105583.9" << true;
    QTest::newRow("unpadded") << "12.34" << false;
    QTest::newRow("one decimal") << "      12.3" << false;
    QTest::newRow("row placeholder") << QString::fromStdString(kRowAepPlaceholder) << false;
    QTest::newRow("comma") << "     12,34" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "     ab.cd" << false;
}

void TestSoak::priceTextCheck() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(IsPriceText(text.toStdString()), ok);
}

void TestSoak::fiveCentCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("0.05") << "      0.05" << true;
    QTest::newRow("10.00") << "     10.00" << true;
    QTest::newRow("-0.15") << "     -0.15" << true;
    QTest::newRow("0.07") << "      0.07" << false;
    QTest::newRow("12.31") << "     12.31" << false;
    QTest::newRow("one decimal") << "      12.5" << false;
    QTest::newRow("no point") << "      1250" << false;
    QTest::newRow("blank inside") << "     1 .50" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSoak::fiveCentCheck() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QCOMPARE(IsFiveCentText(text.toStdString()), ok);
}

void TestSoak::reachableVatFactors() {
    QVERIFY(IsReachableVatFactor(1.1));
    QVERIFY(IsReachableVatFactor(1.2));
    for (unsigned n : {0u, 5u, 7u, 99u})
        QVERIFY(IsReachableVatFactor(VatFactorFromRate(n)));
    QVERIFY(!IsReachableVatFactor(0.0)); // the "no rate yet" marker must never be in force
    QVERIFY(!IsReachableVatFactor(2.0));
    QVERIFY(!IsReachableVatFactor(1.005));
    QVERIFY(!IsReachableVatFactor(std::nextafter(1.1, 2.0)));
}

void TestSoak::rangeRowsAreWholeCents_data() {
    QTest::addColumn<qint64>("von");
    QTest::addColumn<qint64>("bis");
    QTest::addColumn<qint64>("step");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastFap");
    QTest::newRow("0.1 steps reach Bis")
        << qint64(100) << qint64(200) << qint64(10) << 100 << 11 << "      2.00";
    QTest::newRow("halves") << qint64(100) << qint64(1000) << qint64(50) << 100 << 19
                            << "     10.00";
    QTest::newRow("one row") << qint64(500) << qint64(500) << qint64(100) << 100 << 1
                             << "      5.00";
    QTest::newRow("limit plus one")
        << qint64(100) << qint64(10000) << qint64(100) << 10 << 11 << "     11.00";
}

void TestSoak::rangeRowsAreWholeCents() {
    QFETCH(qint64, von);
    QFETCH(qint64, bis);
    QFETCH(qint64, step);
    QFETCH(int, limit);
    QFETCH(int, rows);
    QFETCH(QString, lastFap);
    std::vector<std::string> refusals;
    std::string error;
    const auto result = RangeRows(von, bis, step, CalcOptions{}, 1.1, limit, refusals, error);
    QCOMPARE(int(result.size()), rows);
    QCOMPARE(QString::fromStdString(result.back().fap), lastFap);
    const PriceResult first = CalcPrices(double(von) / 100, CalcOptions{}, 1.1);
    QCOMPARE(result.front().avp, FormatPrice(first.avp));
    QVERIFY(refusals.empty() && error.empty());
}

void TestSoak::vatModel_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("answer"); // 0 yes, 1 no, 2 closed
    QTest::addColumn<int>("run");    // VatRun
    QTest::addColumn<double>("factor");
    QTest::addColumn<QString>("textAfter");
    QTest::addColumn<int>("messages");
    const int none = int(VatRun::None), berechnen = int(VatRun::Berechnen);
    const int inPlace = int(VatRun::InPlace);
    QTest::newRow("20 without a question") << "20" << 1 << berechnen << 1.2 << "20" << 0;
    QTest::newRow("05 confirmed") << "05" << 0 << berechnen << VatFactorFromRate(5) << "05" << 1;
    QTest::newRow("0 confirmed") << "0" << 0 << berechnen << 1.0 << "0" << 1;
    QTest::newRow("7 declined") << "7" << 1 << inPlace << 1.1 << "10" << 1;
    QTest::newRow("7 box closed") << "7" << 2 << inPlace << 1.1 << "10" << 1;
    // A refused text keeps the factor in force (here 1.2 from before) and shows it.
    QTest::newRow("letters refused") << "x1" << 0 << none << 1.2 << "20" << 1;
    QTest::newRow("empty refused") << "" << 0 << none << 1.2 << "20" << 1;
}

void TestSoak::vatModel() {
    QFETCH(QString, text);
    QFETCH(int, answer);
    QFETCH(int, run);
    QFETCH(double, factor);
    QFETCH(QString, textAfter);
    QFETCH(int, messages);
    Model model(100);
    Expectation e;
    model.VatTextChanged("20");
    QVERIFY(!model.VatWouldAsk());
    QCOMPARE(model.ApplyVat(std::nullopt, e), VatRun::Berechnen);
    model.VatTextChanged(text.toStdString());
    e = {};
    QCOMPARE(int(model.ApplyVat(Answer(answer), e)), run);
    QCOMPARE(model.vatFactor, factor);
    QCOMPARE(QString::fromStdString(model.vatText), textAfter);
    QVERIFY(!model.vatEdited);
    QCOMPARE(int(e.messages.size()), messages);
    // Applying without a change asks nothing and runs.
    e = {};
    QCOMPARE(model.ApplyVat(std::nullopt, e), VatRun::Berechnen);
    QVERIFY(e.messages.empty());
}

void TestSoak::soak() {
    const int actions = int(EnvNumber("FAPKALK_SOAK_ACTIONS", 1000));
    const std::uint64_t seed = EnvNumber("FAPKALK_SOAK_SEED", 20120101);
    // The offscreen platform warns at every window showing that it cannot pass
    // size hints on; thousands of those would hide the summary.
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.contains(QLatin1String("does not support propagateSizeHints")))
                previous(type, context, text);
        });
    struct Restore {
        ~Restore() { qInstallMessageHandler(previous); }
    } restore;
    qInfo("soak: %d actions, seed %llu", actions, static_cast<unsigned long long>(seed));
    // The settings file and the exports of the session live in a folder of its own.
    const QString path =
        QDir::tempPath() +
        QStringLiteral("/fapkalk-soak-%1-%2").arg(QCoreApplication::applicationPid()).arg(seed);
    QDir dir(path);
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    struct Cleanup {
        QDir& dir;
        ~Cleanup() { dir.removeRecursively(); }
    } cleanupDir{dir};
    QElapsedTimer clock;
    clock.start();
    Soak session(seed, path);
    const bool ok = session.Run(actions);
    qInfo("soak: %d actions done in %.1f s", session.Done(), double(clock.elapsed()) / 1000.0);
    if (!ok)
        QFAIL(session.Report().c_str());
}

QTEST_MAIN(TestSoak)
#include "test_soak.moc"
