#include "ui/output/FAP_Export.h"

#include "settings/JvFormPlacement.h"
#include "tools/messages.h"
#include "ui/output/ExportFile.h"
#include "ui/widgets/ResultGrid.h"
#include "ui/widgets/Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <iterator>

namespace fapkalk {

namespace {

// The hourglass while the file is written, without processing events: a second
// OK must not start a second export into the same file.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TdlgFAP_EXPORT::TdlgFAP_EXPORT(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("dlgFAP_EXPORT"));
    // The title names the dialog for the window list and for screen readers.
    setWindowTitle(QStringLiteral("Export"));
    setFixedSize(kClientWidth, kClientHeight);

    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    Edit1 = new QLineEdit(DefaultExportFileName(), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setToolTip(ExportTargetPath(Edit1->text()));
    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { Edit1->setToolTip(ExportTargetPath(text)); });

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));

    btBrowse = new QPushButton(QStringLiteral("D&urchsuchen…"), this);
    btBrowse->setObjectName(QStringLiteral("btBrowse"));

    // No button may become the default one: Enter in the file name is the
    // field's own business (Edit1KeyPress), and Enter elsewhere presses nothing.
    for (QPushButton* button : {CancelBtn, Button1, btBrowse}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    RadioGroup2 =
        new TRadioGroup({QStringLiteral("&Fixe Position"), QStringLiteral("&XLS-Format")}, 2, this);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setTitle(QStringLiteral("Export Format"));
    RadioGroup2->setItemIndex(0);

    cbMeta = new QCheckBox(QStringLiteral("Erstellungskriterien speichern"), this);
    cbMeta->setObjectName(QStringLiteral("cbMeta"));
    cbMeta->setChecked(true);
    cbMeta->setToolTip(
        QStringLiteral("Wenn die Auswahl markiert ist, werden in die Textdatei zusatzinfos wie "
                       "Preise von,bis,Kennzeichneauswahl gespeicher"));

    Label1 = new QLabel(QStringLiteral("&Dateiname:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(PixelFont(kSansSerif, 16));
    PlaceControls(*this, kExportLayout);
    Label1->setBuddy(Edit1); // Alt+D, and the field's name for screen readers

    QWidget* const chain[] = {RadioGroup2->button(0),
                              RadioGroup2->button(1),
                              cbMeta,
                              Edit1,
                              btBrowse,
                              Button1,
                              CancelBtn};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    Edit1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
    connect(btBrowse, &QPushButton::clicked, this, [this] { btBrowseClick(); });

    // The focus widget of a hidden window is where the focus goes at its first showing.
    Edit1->setFocus();
}

int TdlgFAP_EXPORT::ExecFor(const ResultTable& table) {
    if (table.rows->isBlank()) {
        tools::ShowMessage(parentWidget() ? parentWidget() : this, ExportNoRowsText());
        return QDialog::Rejected;
    }
    table_ = table;
    exec();
    return QDialog::Rejected;
}

void TdlgFAP_EXPORT::setVisible(bool visible) {
    if (visible && !isVisible())
        opening_.BeforeShow(*this);
    else if (!visible && isVisible())
        opening_.Hidden(*this);
    QDialog::setVisible(visible);
}

void TdlgFAP_EXPORT::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        opening_.Shown(*this);
}

bool TdlgFAP_EXPORT::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) {
            char16_t key = 13;
            Edit1KeyPress(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TdlgFAP_EXPORT::keyPressEvent(QKeyEvent* event) {
    // Esc presses the cancel button, with everything a click does.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        CancelBtn->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TdlgFAP_EXPORT::Edit1KeyPress(char16_t& key) {
    if (key == 13)
        Button1Click();
}

void TdlgFAP_EXPORT::CancelBtnClick() {
    reject();
}

void TdlgFAP_EXPORT::btBrowseClick() {
    if (!fileDialog_) {
        fileDialog_ = new QFileDialog(this, QStringLiteral("Exportdatei wählen"));
        fileDialog_->setObjectName(QStringLiteral("FileDialog"));
        fileDialog_->setOption(QFileDialog::DontUseNativeDialog);
        // Choosing writes nothing; the export replaces a file without asking.
        fileDialog_->setOption(QFileDialog::DontConfirmOverwrite);
        fileDialog_->setAcceptMode(QFileDialog::AcceptSave);
        fileDialog_->setFileMode(QFileDialog::AnyFile);
        fileDialog_->setNameFilters(
            {QStringLiteral("Exportdateien (*.csv *.txt)"), QStringLiteral("Alle Dateien (*)")});
    }
    fileDialog_->setDirectory(ExportBrowseFolder(Edit1->text()));
    fileDialog_->selectFile(QFileInfo(Edit1->text()).fileName());
    if (fileDialog_->exec() == QDialog::Accepted && !fileDialog_->selectedFiles().isEmpty())
        Edit1->setText(QDir::toNativeSeparators(fileDialog_->selectedFiles().constFirst()));
    Edit1->setFocus();
}

void TdlgFAP_EXPORT::Button1Click() {
    if (table_) {
        const QString fileName = Edit1->text();
        const ExportLayout layout =
            RadioGroup2->itemIndex() == 1 ? ExportLayout::Xls : ExportLayout::FixedPosition;

        const std::string created = ExportCreatedText();
        const TableCriteria& c = table_->criteria;
        const ExportCriteria criteria{.created = created,
                                      .von = c.von,
                                      .bis = c.bis,
                                      .staffel = c.staffel,
                                      .options = c.options,
                                      .vatFactor = c.vatFactor};

        ExportResult result;
        {
            WaitCursor wait;
            result = WriteExportFile(ExportPath(fileName), *table_->rows, layout,
                                     cbMeta->isChecked() ? &criteria : nullptr, WriteHook);
        }
        // The count is reported only for a file that really holds the rows.
        // After a failure the dialog stays open with the reason, so that
        // another name can be typed.
        if (!result.ok) {
            tools::ShowError(this, ExportFailureText(fileName, result.error));
            return;
        }
        tools::ShowMessage(this, ExportCountText(result.rows, fileName, result.endText));
    }
    reject();
}

} // namespace fapkalk
