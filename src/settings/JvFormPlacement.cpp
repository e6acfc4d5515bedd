#include "settings/JvFormPlacement.h"

#include "pricing/message_text.h"
#include "tools/messages.h"
#include "tools/process_hook.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>
#include <cerrno>
#include <cmath>
#include <exception>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {
namespace {

using ScreenFactsHook = tools::ProcessHook<ScreenFactsSource, struct ScreenFactsHookTag>;

PlacementRect ToPlacement(const QRect& rect) {
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

void AddWorkArea(ScreenFacts& facts, const QScreen* screen) {
    facts.workAreas.push_back(ToPlacement(screen->availableGeometry()));
}

ScreenFacts RealScreenFacts() {
    ScreenFacts facts;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return facts;
    facts.width = primary->size().width();
    facts.height = primary->size().height();
    const double dpi = primary->logicalDotsPerInch();
    if (std::isfinite(dpi) && dpi >= 1.0 && dpi <= 100000.0)
        facts.pixelsPerInch = static_cast<int>(std::lround(dpi));
    AddWorkArea(facts, primary);
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            AddWorkArea(facts, screen);
    return facts;
}

// The frame as the window system reports it for the native window. (QWidget's
// own frameGeometry() is a cached copy that lags behind on X11 while a window
// manager takes the window over, and can even be inconsistent then.)
FrameMargins MarginsOf(const QWidget& form) {
    const QWindow* window = form.windowHandle();
    if (!window)
        return {};
    const QMargins m = window->frameMargins();
    if (m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0)
        return {};
    return {m.left(), m.top(), m.right(), m.bottom()};
}

// The outer rectangle around a client rectangle.
PlacementRect OuterOf(const QRect& client, const FrameMargins& m) {
    return {client.x() - m.left, client.y() - m.top, client.x() + client.width() + m.right,
            client.y() + client.height() + m.bottom};
}

// The client rectangle inside an outer one; Qt places a window by its client.
QRect ClientOf(const PlacementRect& outer, const FrameMargins& m) {
    return {outer.left + m.left, outer.top + m.top, outer.right - outer.left - m.left - m.right,
            outer.bottom - outer.top - m.top - m.bottom};
}

bool NoMargins(const FrameMargins& m) {
    return m.left == 0 && m.top == 0 && m.right == 0 && m.bottom == 0;
}

bool IsBareName(const QString& name) {
#ifdef Q_OS_WIN
    return !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':');
#else
    return !name.contains(u'/');
#endif
}

// A home folder the settings can live below: an absolute path of a folder.
bool UsableHome(const QByteArray& home) {
    struct stat st {};
    return home.startsWith('/') && ::stat(home.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString ConfigBase() {
    const passwd* entry = ::getpwuid(::geteuid());
    return ConfigBaseFor(qgetenv("XDG_CONFIG_HOME"), qgetenv("HOME"),
                         entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "");
}

// Whether the "no home" message was shown: once a run, for both windows.
bool noHomeReported = false;

constexpr Qt::WindowStates kShowStates =
    Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;

} // namespace

ScreenFacts CurrentScreenFacts() {
    if (const ScreenFactsSource& source = ScreenFactsHook::Get())
        return source();
    return RealScreenFacts();
}

ScreenFactsSource SetScreenFactsSource(ScreenFactsSource source) {
    return ScreenFactsHook::Replace(std::move(source));
}

QString ConfigBaseFor(const QByteArray& xdgConfigHome, const QByteArray& home,
                      const QByteArray& passwordHome) {
    if (xdgConfigHome.startsWith('/') || UsableHome(home))
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (UsableHome(passwordHome))
        return QFile::decodeName(passwordHome) + QStringLiteral("/.config");
    return {};
}

QString ResolveIniFileName(const QString& name) {
    if (name.isEmpty() || !IsBareName(name))
        return name;
    const QString base = ConfigBase();
    if (base.isEmpty())
        return {};
    return base + QStringLiteral("/fapkalk/") + name;
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const FrameMargins margins = MarginsOf(window);
    const PlacementRect outer = CentreOnArea(OuterOf(window.geometry(), margins), margins,
                                             {window.minimumWidth(), window.minimumHeight(),
                                              window.maximumWidth(), window.maximumHeight()},
                                             ToPlacement(screen->availableGeometry()));
    window.setGeometry(ClientOf(outer, margins));
}

void OpeningPlace::BeforeShow(QWidget& window) const {
    if (last_)
        window.move(*last_);
    else
        CentreOnScreen(window);
}

void OpeningPlace::Shown(QWidget& window, bool placedElsewhere) {
    if (shown_)
        return;
    shown_ = true;
    if (!last_ && !placedElsewhere)
        CentreOnScreen(window);
}

} // namespace settings

using namespace settings;

TJvFormPlacement::TJvFormPlacement(QWidget* form, const QString& iniSection)
    : IniSection(iniSection), form_(form) {
    if (form)
        form->installEventFilter(this);
}

TJvFormPlacement::~TJvFormPlacement() {
    FormDestroy();
    if (form_)
        form_->removeEventFilter(this);
}

void TJvFormPlacement::FormDestroy() {
    if (destroyHandled_)
        return;
    destroyHandled_ = true;
    if (!Active || saved_ || !form_)
        return;
    savingAtDestroy_ = true;
    try {
        SaveFormPlacement();
    } catch (const std::exception& error) {
        ReportFailure(QString::fromUtf8(error.what()));
    } catch (...) {
    }
    savingAtDestroy_ = false;
}

std::string TJvFormPlacement::ResolvedPath() const {
    return QFile::encodeName(ResolveIniFileName(IniFileName)).toStdString();
}

QString TJvFormPlacement::ShownPath() const {
    const QString path = QFileInfo(ResolveIniFileName(IniFileName)).absoluteFilePath();
    return QString::fromStdString(fapkalk::EscapedForMessage(path.toStdString()));
}

void TJvFormPlacement::ReportFailure(const QString& text) {
    // The save at destruction repeats the one at closing: a failure that was
    // just reported is not reported again.
    if (text == lastReported_)
        return;
    lastReported_ = text;
    tools::ShowError(form_, text);
}

void TJvFormPlacement::ReportWriteFailure(const std::string& reason) {
    ReportFailure(
        QStringLiteral("In ") + ShownPath() + QStringLiteral(" kann nicht geschrieben werden (") +
        QString::fromStdString(fapkalk::EscapedForMessage(reason)) + QStringLiteral(")."));
}

bool TJvFormPlacement::eventFilter(QObject* watched, QEvent* event) {
    // After the save at destruction the window is being torn down: hands off.
    if (watched == form_ && Active && !destroyHandled_) {
        // Exceptions must not cross the event loop: report them and go on, the
        // window is shown or hidden all the same.
        try {
            switch (event->type()) {
            case QEvent::Show:
                // A spontaneous show is the window system un-minimizing the window.
                if (!event->spontaneous())
                    RestoreFormPlacement();
                break;
            case QEvent::Hide:
                if (!event->spontaneous()) {
                    SaveFormPlacement();
                    pending_.reset();
                }
                break;
            case QEvent::Move:
            case QEvent::Resize:
                // The program placed the window itself (the window system's
                // changes come as spontaneous events): its place wins.
                if (!event->spontaneous() && !placing_)
                    pending_.reset();
                [[fallthrough]];
            case QEvent::WindowActivate:
            case QEvent::WindowStateChange:
                NoteNormalFrame();
                if (pending_)
                    CheckPendingFrame();
                break;
            case QEvent::Paint:
                if (pending_)
                    CheckPendingFrame();
                break;
            default:
                break;
            }
        } catch (const std::exception& error) {
            ReportFailure(QString::fromUtf8(error.what()));
        }
    }
    return QObject::eventFilter(watched, event);
}

void TJvFormPlacement::RestoreFormPlacement() {
    if (!form_)
        return;
    QWidget& form = *form_;
    saved_ = false;
    lastReported_.clear();
    placementApplied_ = false;
    pending_.reset();

    // An unreadable file restores nothing, like a missing one; the save will
    // refuse to overwrite it.
    ProfileFile file;
    if (!LoadProfileFile(ResolvedPath(), file).ok)
        file = ProfileFile();

    const ScreenFacts facts = CurrentScreenFacts();
    RestoreInput input;
    input.version = Version;
    input.restorePosition = Options.testFlag(fpPosition);
    input.restoreState = Options.testFlag(fpState);
    input.mainWindow = IsMainForm;
    input.sizeableBorder = BorderSizeable;
    input.current = OuterOf(form.geometry(), MarginsOf(form));
    input.pixelsPerInch = facts.pixelsPerInch;
    const RestorePlan plan =
        PlanRestore(file, IniSection.toStdString(), ScreenMark(facts.width, facts.height), input);
    restored_ = true;

    if (plan.applyNormal) {
        PlaceFrame(plan.normal, facts.workAreas);
        placementApplied_ = true;
        // The window system may not know the frame before the window is mapped
        // (X11 learns it from the window manager, and forgets it while the
        // window is hidden), so the frame can end up off by its thickness. Once
        // the window is on screen with a known frame, check and place it again.
        if (!form.windowFlags().testFlag(Qt::FramelessWindowHint))
            pending_ = PendingPlacement{plan.normal, facts.workAreas, form.geometry()};
    }

    if (plan.applyState) {
        Qt::WindowStates states = form.windowState() & ~kShowStates;
        if (plan.show == WindowShow::Minimized)
            states |= Qt::WindowMinimized;
        else if (plan.show == WindowShow::Maximized)
            states |= Qt::WindowMaximized;
        form.setWindowState(states);
        if (plan.minimizeApplication) {
            // The main window comes up normal; then the whole application goes
            // to the task bar, dialogs shown meanwhile included.
            QMetaObject::invokeMethod(
                &form,
                [] {
                    for (QWidget* window : QApplication::topLevelWidgets())
                        if (window->isVisible() && window->windowType() != Qt::Popup &&
                            window->windowType() != Qt::ToolTip)
                            window->setWindowState(window->windowState() | Qt::WindowMinimized);
                },
                Qt::QueuedConnection);
        }
    }
    form.update();
}

PlacementRect TJvFormPlacement::PlaceFrame(const PlacementRect& requested,
                                           const std::vector<PlacementRect>& workAreas) {
    QWidget& form = *form_;
    const FrameMargins margins = MarginsOf(form);
    SizeLimits limits{form.minimumWidth(), form.minimumHeight(), form.maximumWidth(),
                      form.maximumHeight()};
    if (!BorderSizeable)
        limits = {form.width(), form.height(), form.width(), form.height()};
    const PlacementRect outer = FitPlacement(requested, margins, limits, workAreas);
    if (OuterOf(form.geometry(), margins) == outer)
        return outer;
    // "NormPos" is the outer rectangle, frame included; Qt places a window by
    // its client rectangle, so the frame comes off on every side. The window's
    // own minimum and maximum size are its size rule: FitPlacement kept the
    // size within them (a fixed size stays, a fixed width keeps its width).
    placing_ = true;
    form.setGeometry(ClientOf(outer, margins));
    placing_ = false;
    return outer;
}

void TJvFormPlacement::NoteNormalFrame() {
    if (!form_ || (form_->windowState() & kShowStates))
        return;
    const QWindow* window = form_->windowHandle();
    const FrameMargins margins = MarginsOf(*form_);
    if (window && window->isExposed() && !NoMargins(margins))
        normalMargins_ = margins;
}

void TJvFormPlacement::CheckPendingFrame() {
    if (!form_ || !pending_ || pendingQueued_)
        return;
    if (form_->windowState() & kShowStates)
        return; // the normal place is checked when the window is normal again
    const QWindow* window = form_->windowHandle();
    const FrameMargins margins = MarginsOf(*form_);
    if (!window || !window->isExposed() || NoMargins(margins))
        return; // not on screen yet, or the frame is still unknown
    // Until the window system shows the client where the restore put it (or
    // shifted by the frame), it is still busy placing it (e.g. un-maximizing).
    const QRect client = form_->geometry();
    const QPoint shift = client.topLeft() - pending_->client.topLeft();
    if (client.size() != pending_->client.size() ||
        (shift != QPoint() && shift != QPoint(margins.left, margins.top)))
        return;
    // Not from inside a paint or a geometry change: after it.
    pendingQueued_ = true;
    QMetaObject::invokeMethod(this, &TJvFormPlacement::ApplyPendingFrame, Qt::QueuedConnection);
}

void TJvFormPlacement::ApplyPendingFrame() {
    pendingQueued_ = false;
    if (!form_ || !pending_ || !form_->isVisible() || (form_->windowState() & kShowStates))
        return;
    const PendingPlacement pending = std::move(*pending_);
    pending_.reset();
    PlaceFrame(pending.requested, pending.workAreas);
}

bool TJvFormPlacement::SaveFormPlacement() {
    if (!form_ || !restored_)
        return true; // a window that was never shown writes nothing
    const QWidget& form = *form_;
    const ScreenFacts facts = CurrentScreenFacts();
    NoteNormalFrame();
    const Qt::WindowStates states = form.windowState();
    // A window manager may draw a maximized window with another frame (or none):
    // the normal place needs the frame the window had when it was normal.
    const FrameMargins margins =
        (states & kShowStates) && normalMargins_ ? *normalMargins_ : MarginsOf(form);

    PlacementRecord record;
    record.formVersion = Version;
    // Qt keeps no placement flags; the value is written for the file's sake
    // and ignored when read.
    record.flags = 0;
    // A minimized main window is the minimized application.
    if (states & Qt::WindowMinimized)
        record.showCmd = kShowMinimized;
    else if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        record.showCmd = kShowMaximized;
    else
        record.showCmd = kShowNormal;
    record.pixelsPerInch = facts.pixelsPerInch;
    // Qt has no minimized position and maximizes into the work area by itself:
    // "MinMaxPos" holds the values a window that was never minimized reports,
    // the maximized corner just outside the screen by the frame's thickness.
    record.minMax = {-1, -1, -margins.left, -margins.top};
    // "NormPos" is the outer rectangle in the normal state: Qt's normal geometry
    // (the client area while maximized or minimized) with the frame around it.
    QRect client = form.normalGeometry();
    if (!client.isValid())
        client = form.geometry();
    record.normal = OuterOf(client, margins);
    // Restored straight into another state before its frame was known, the
    // window has not stood at its normal place yet: that place is still the one
    // the restore asked for (anything else would grow by a frame every run).
    if (pending_ && (states & kShowStates) && client == pending_->client)
        record.normal = pending_->requested;
    record.visible = savingAtDestroy_;

    const std::string path = ResolvedPath();
    if (path.empty()) {
        // No home folder to keep a settings file in: said once, then the
        // program goes on without one.
        if (!noHomeReported && !IniFileName.isEmpty())
            tools::ShowError(form_, QStringLiteral("Kein Heimatordner gefunden (HOME ist nicht "
                                                   "gesetzt oder kein Ordner); die "
                                                   "Fensterposition wird nicht gespeichert."));
        noHomeReported = true;
        return false;
    }
    if (IsBareName(IniFileName)) {
        const QString folder = QFileInfo(QFile::decodeName(path.c_str())).absolutePath();
        QDir().mkpath(folder); // a failure shows up as a failed write below
    }

    // One read, all keys set in memory, one write: the file changes completely
    // or not at all.
    ProfileFile file;
    FileResult result = LoadProfileFile(path, file);
    if (result.ok && !WritePlacement(file, IniSection.toStdString(),
                                     ScreenMark(facts.width, facts.height), record))
        result = {false, "ungültiger Abschnittsname", EINVAL};
    if (result.ok)
        result = SaveProfileFile(path, file);
    if (result.oversized) {
        // Far too large for a settings file: not ours to replace, and the
        // user is told how to get the placement saved again.
        ReportFailure(QStringLiteral("Die Einstellungsdatei ") + ShownPath() + u' ' +
                      QString::fromStdString(result.error) +
                      QStringLiteral("; sie bleibt unverändert, die Fensterposition wird nicht "
                                     "gespeichert. Löschen oder kürzen Sie die Datei, dann wird "
                                     "sie wieder gespeichert."));
        return false;
    }
    if (!result.ok) {
        ReportWriteFailure(result.error);
        return false;
    }
    saved_ = true;
    lastReported_.clear();
    return true;
}
