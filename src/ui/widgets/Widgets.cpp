#include "ui/widgets/Widgets.h"

#include "pricing/options/option_types.h"
#include "ui/widgets/GridCopy.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>
#include <qdrawutil.h>

namespace fapkalk {

QFont PixelFont(const QString& family, int pixelSize, bool bold, bool underline) {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void RegisterFontSubstitutions() {
    static const bool done = [] {
        const QString liberation = QStringLiteral("Liberation Sans");
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), liberation);
        QFont::insertSubstitution(QStringLiteral("Arial"), liberation);
        return true;
    }();
    (void)done;
}

// ---------------------------------------------------------------- TStatusBar

TStatusBar::TStatusBar(const QList<Panel>& panels, QWidget* parent)
    : QWidget(parent), panels_(panels) {
    for (const Panel& panel : panels_) {
        auto* label = new QLabel(this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(panel.alignment | Qt::AlignVCenter);
        label->setIndent(2);
        labels_ << label;
    }
    arrange();
}

QString TStatusBar::panelText(int index) const {
    const QLabel* label = labels_.value(index);
    return label ? label->text() : QString();
}

void TStatusBar::setPanelText(int index, const QString& text) {
    if (QLabel* label = labels_.value(index))
        label->setText(text);
}

void TStatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void TStatusBar::arrange() {
    int left = 0;
    for (qsizetype i = 0; i < labels_.size(); ++i) {
        const bool last = i + 1 == labels_.size();
        const int width = last ? std::max(0, this->width() - left) : panels_[i].width;
        // Two pixels between panels, as the bar draws them.
        labels_[i]->setGeometry(left, 2, std::max(0, width - 2), std::max(0, height() - 2));
        left += width;
    }
}

// ----------------------------------------------------------------- TGroupBox

int TGroupBox::frameTop() const {
    return fontMetrics().height() / 2;
}

QRect TGroupBox::captionRect() const {
    if (title().isEmpty())
        return {};
    const QFontMetrics metrics = fontMetrics();
    const int width = metrics.horizontalAdvance(QString(title()).remove(u'&'));
    return {8, 0, width + 4, metrics.height()};
}

void TGroupBox::paintEvent(QPaintEvent*) {
    // An etched line, as the program's group boxes have always had; the
    // style's own group frame would move it below the caption.
    QStylePainter painter(this);
    qDrawShadeRect(&painter, rect().adjusted(0, frameTop(), 0, 0), palette(), true, 1, 0);
    const QRect caption = captionRect();
    if (caption.isEmpty())
        return;
    painter.fillRect(caption, palette().color(backgroundRole()));
    painter.drawItemText(caption, Qt::AlignCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                         title(), foregroundRole());
}

// --------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(parent), columns_(std::max(1, columns)) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_.addButton(button, int(i));
        buttons_ << button;
    }
    connect(&group_, &QButtonGroup::idClicked, this, &TRadioGroup::itemClicked);
    connect(&group_, &QButtonGroup::idToggled, this, [this] { keepTabStopOnSelection(); });
    keepTabStopOnSelection();
    arrange();
}

void TRadioGroup::keepTabStopOnSelection() {
    // As in any radio group, Tab enters at the selected item and the arrow keys
    // move between the items; with none selected every item is a stop.
    const int checked = group_.checkedId();
    for (qsizetype i = 0; i < buttons_.size(); ++i)
        buttons_[i]->setFocusPolicy(checked < 0 || checked == int(i) ? Qt::StrongFocus
                                                                     : Qt::ClickFocus);
}

int TRadioGroup::itemIndex() const {
    return group_.checkedId();
}

void TRadioGroup::setItemIndex(int index) {
    if (QRadioButton* button = buttons_.value(index))
        button->setChecked(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    arrange();
}

void TRadioGroup::arrange() {
    // Columns share the inner width; items fill a column from top to bottom.
    const int rows = int((buttons_.size() + columns_ - 1) / columns_);
    if (rows == 0)
        return;
    const int innerLeft = 8;
    const int innerTop = title().isEmpty() ? 8 : 16;
    const int columnWidth = (width() - 2 * innerLeft) / columns_;
    const int rowHeight = std::max(1, (height() - innerTop - 4) / rows);
    for (qsizetype i = 0; i < buttons_.size(); ++i) {
        const int column = int(i) / rows;
        const int row = int(i) % rows;
        buttons_[i]->setGeometry(innerLeft + column * columnWidth, innerTop + row * rowHeight,
                                 columnWidth - 4, rowHeight);
    }
}

// -------------------------------------------------------------- TSpeedButton

void SetCaptionColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::ButtonText, colour);
        palette.setColor(group, QPalette::WindowText, colour);
    }
    widget->setPalette(palette);
}

TSpeedButton::TSpeedButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    setCheckable(true);
}

// ---------------------------------------------------------------- ClickLabel

namespace {

// A link: its text is its name, and pressing it clicks it.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(ClickLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const ClickLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction())
            static_cast<ClickLabel*>(widget())->activate();
        else
            QAccessibleWidget::doAction(name);
    }
};

// Only links get an interface of their own; a picture stays Qt's.
QAccessibleInterface* linkFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ClickLabel::staticMetaObject.className()))
        if (auto* label = qobject_cast<ClickLabel*>(object);
            label && label->kind() == ClickLabel::Kind::Link)
            return new LinkAccessible(label);
    return nullptr;
}

} // namespace

ClickLabel::ClickLabel(Kind kind, QWidget* parent) : QLabel(parent), kind_(kind) {
    if (kind == Kind::Picture) {
        setScaledContents(true);
        return;
    }
    setFocusPolicy(Qt::StrongFocus);
    // Installing it again is a no-op.
    QAccessible::installFactory(linkFactory);
}

void ClickLabel::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            event->accept();
            activate();
            return;
        default:
            break;
        }
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // A dotted frame in the link's colour: the style's focus hint is too faint
    // on the white imprint.
    QPainter painter(this);
    painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

namespace {

// Amounts stand right-aligned, so their last digits line up whatever the
// width of the blanks before them. The focused cell gets a frame of its own:
// the style's dotted hint is hardly visible on the grid lines.
class ResultCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        const bool focused = cell.state & QStyle::State_HasFocus;
        cell.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, cell, index);
        if (!focused)
            return;
        const bool selected = cell.state & QStyle::State_Selected;
        const QColor colour =
            cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const int w = kGridFocusFrameWidth;
        painter->save();
        painter->setPen(QPen(colour, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(cell.rect).adjusted(w / 2.0, w / 2.0, -w / 2.0, -w / 2.0));
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    }
};

} // namespace

void PlaceControls(QWidget& window, std::span<const LayoutEntry> layout) {
    for (const LayoutEntry& entry : layout) {
        if (entry.dock != Dock::None)
            continue;
        auto* control = window.findChild<QWidget*>(QString::fromLatin1(entry.name));
        if (control == nullptr)
            qFatal("the layout names a control the window lacks: %s", entry.name);
        if (entry.width == kFitContent) {
            control->move(entry.left, entry.top);
            control->adjustSize();
        } else {
            control->setGeometry(entry.left, entry.top, entry.width, entry.height);
        }
    }
}

std::array<QLabel*, 4> AddColumnCaptions(QWidget* strip, int top) {
    struct Caption {
        const char* name;
        const char* text;
        int left;
        int width;
    };
    static constexpr Caption kCaptions[] = {{"Panel2", "FAP", 1, 128},
                                            {"Panel3", "AEP", 129, 128},
                                            {"Panel4", "KP", 257, 128},
                                            {"Panel5", "AVP", 385, 127}};
    std::array<QLabel*, 4> panels{};
    for (std::size_t i = 0; i < panels.size(); ++i) {
        const Caption& caption = kCaptions[i];
        auto* panel = new QLabel(QString::fromLatin1(caption.text), strip);
        panel->setObjectName(QString::fromLatin1(caption.name));
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setAlignment(Qt::AlignCenter);
        panel->setFont(PixelFont(QStringLiteral("Arial"), 16, true));
        panel->setGeometry(caption.left, top, caption.width, 17);
        panels[i] = panel;
    }
    return panels;
}

void SetUpResultGridView(QTableView* grid) {
    grid->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 10, true));
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setMinimumSectionSize(1);
    grid->verticalHeader()->setDefaultSectionSize(14);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->horizontalHeader()->setMinimumSectionSize(1);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setShowGrid(true);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab leave the grid; the arrow keys move within it.
    grid->setTabKeyNavigation(false);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setAccessibleName(QStringLiteral("Ergebnistabelle"));
    grid->setItemDelegate(new ResultCellDelegate(grid));
    InstallGridCopy(grid);
}

bool ApplyPriceKey(QLineEdit* field, QKeyEvent* event,
                   const std::function<void(char32_t&)>& handle) {
    char32_t key = kEnterKey;
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        const QList<uint> typed = event->text().toUcs4();
        if (typed.size() != 1)
            return false; // no character (arrows, F-keys, input methods): the field's own
        // Alt with a letter is a mnemonic, never typing; Ctrl+Alt stays open
        // for keyboards that type with it.
        if ((event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) == Qt::AltModifier)
            return true;
        key = typed.front();
    }
    const char32_t typedKey = key;
    handle(key);
    if (key == 0)
        return true; // suppressed
    if (key == typedKey)
        return false; // the field takes the key as typed (Ctrl+V still pastes)
    if (key == kBackspaceKey)
        field->backspace(); // deletes the selection or the character left of the caret
    else
        field->insert(QString::fromUcs4(&key, 1));
    return true;
}

} // namespace fapkalk
