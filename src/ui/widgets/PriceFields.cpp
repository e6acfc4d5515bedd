#include "ui/widgets/PriceFields.h"

#include "pricing/options/price_key_filter.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <memory>
#include <string>

namespace fapkalk {

namespace {

// The field's text (UTF-8) before and after the characters from..to.
struct TextAround {
    std::string before;
    std::string after;
};

TextAround Around(const QLineEdit* field, int from, int to) {
    const QString text = field->text();
    return {text.left(from).toStdString(), text.mid(to).toStdString()};
}

TextAround AroundSelection(const QLineEdit* field) {
    if (!field->hasSelectedText())
        return Around(field, field->cursorPosition(), field->cursorPosition());
    const int start = field->selectionStart();
    return Around(field, start, start + int(field->selectedText().size()));
}

// The standard menu's "Paste": named as the field names it (Qt's own, in the
// user's language), followed by its key after a tab where one is shown.
bool IsPasteAction(const QAction* action) {
    return action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Paste");
}

class PastePriceGuard : public QObject {
public:
    PastePriceGuard(QLineEdit* field, std::function<std::string_view()> fieldName)
        : QObject(field), field_(field), fieldName_(std::move(fieldName)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != field_)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste))
                return false;
            PasteFrom(QClipboard::Clipboard);
            return true;
        case QEvent::MouseButtonRelease:
            // X11's middle-button paste of the primary selection.
            if (static_cast<QMouseEvent*>(event)->button() != Qt::MiddleButton ||
                !QGuiApplication::clipboard()->supportsSelection() || field_->isReadOnly())
                return false;
            PasteFrom(QClipboard::Selection);
            return true;
        case QEvent::ContextMenu:
            ShowContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        case QEvent::Drop:
            Drop(static_cast<QDropEvent*>(event));
            return true;
        default:
            return false;
        }
    }

private:
    void PasteFrom(QClipboard::Mode mode) {
        if (field_->isReadOnly())
            return;
        const TextAround around = AroundSelection(field_);
        if (Judge(around, QGuiApplication::clipboard()->text(mode)))
            field_->insert(insert_);
    }

    void Drop(QDropEvent* event) {
        const int at = field_->cursorPositionAt(event->position().toPoint());
        if (field_->isReadOnly() || !event->mimeData()->hasText() ||
            !Judge(Around(field_, at, at), event->mimeData()->text())) {
            event->ignore();
            return;
        }
        field_->deselect();
        field_->setCursorPosition(at);
        field_->insert(insert_);
        event->acceptProposedAction();
        field_->setFocus(Qt::MouseFocusReason);
    }

    // The field's own menu, with its paste going through the guard once the
    // menu has closed and its window is active again (so the tip that may
    // follow stays on screen).
    void ShowContextMenu(const QPoint& globalPos) {
        const std::unique_ptr<QMenu> menu(field_->createStandardContextMenu());
        bool paste = false;
        for (QAction* action : menu->actions()) {
            if (!IsPasteAction(action))
                continue;
            action->disconnect(field_);
            connect(action, &QAction::triggered, this, [&paste] { paste = true; });
        }
        menu->exec(globalPos);
        if (paste)
            QTimer::singleShot(0, this, [this] { PasteFrom(QClipboard::Clipboard); });
    }

    // Sets insert_ and returns true when the text may go in; otherwise tells
    // the user why not.
    bool Judge(const TextAround& around, const QString& text) {
        const PastedPrice pasted = PastePrice(around.before, around.after, text.toStdString());
        if (pasted.problem == PriceTextProblem::None) {
            QToolTip::hideText(); // the tip of a refusal before no longer applies
            insert_ = QString::fromStdString(pasted.insert);
            return true;
        }
        QApplication::beep();
        constexpr int kTipMs = 6000;
        QToolTip::showText(
            field_->mapToGlobal(QPoint(0, field_->height())),
            QString::fromStdString(PriceTextMessage(fieldName_(), pasted.judged, pasted.problem)),
            field_, QRect(), kTipMs);
        return false;
    }

    QLineEdit* field_;
    std::function<std::string_view()> fieldName_;
    QString insert_;
};

} // namespace

void FilterKeyIn(const QLineEdit* field, char32_t& key) {
    const TextAround around = AroundSelection(field);
    if (!FilterPriceKey(around.before, around.after, key))
        key = 0;
}

void GuardPricePaste(QLineEdit* field, std::function<std::string_view()> fieldName) {
    field->installEventFilter(new PastePriceGuard(field, std::move(fieldName)));
}

} // namespace fapkalk
