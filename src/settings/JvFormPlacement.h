// The window-placement component: restores a window's position, size and state
// from a section of the settings file when the window is shown, and saves them
// there when it closes (and, if no save completed since, when it is destroyed).
//
// Use on a window (a few lines):
//
//   // member of the window class
//   std::unique_ptr<TJvFormPlacement> JvFormPlacement1;
//
//   // constructor (FormCreate), before the first show
//   JvFormPlacement1 = std::make_unique<TJvFormPlacement>(this, QStringLiteral("formpara"));
//   JvFormPlacement1->IsMainForm = true;                   // main window only
//   JvFormPlacement1->Active = placement.Active;           // "/noini"
//   JvFormPlacement1->IniFileName = placement.IniFileName; // "/inidest:"
//
//   // the window's own centring at its first showing (in its showEvent)
//   opening_.Shown(*this, JvFormPlacement1->PlacementApplied());
//
//   // destructor, first statement (while the window is still whole)
//   JvFormPlacement1->FormDestroy();
//
// Nothing else is needed: the component watches the window's events itself.
//   - Restore: on QEvent::Show. An event filter sees it before the window's own
//     showEvent, and Qt sends it before the native window is mapped, so the
//     window appears in its place without a jump.
//   - Save: on the non-spontaneous QEvent::Hide. Qt hides a window only after
//     its closeEvent accepted the closing, and every way of closing (close box,
//     close(), QDialog::accept/reject/done, which since Qt 6.3 consumes its own
//     close event before other filters see it) ends in that hide. A closing the
//     window refuses saves nothing. (A plain hide() saves too; the program's
//     windows are only ever hidden by closing.)
//   - Save at destruction: FormDestroy(), or the component's destructor as a
//     fallback (the member dies before the QWidget base).
#pragma once

#include "settings/placement_rules.h"

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace settings {

// The screen facts a save writes and a restore compares against.
struct ScreenFacts {
    int width = 0, height = 0;            // the primary screen in pixels (the screen mark)
    int pixelsPerInch = 96;               // logical resolution, rounded
    std::vector<PlacementRect> workAreas; // available area of every screen, primary first
};

// The real facts from QGuiApplication, or those of the test seam below.
ScreenFacts CurrentScreenFacts();

// Seam for tests: fakes another screen size or resolution. An empty function
// restores the real screens. Returns the previous one.
using ScreenFactsSource = std::function<ScreenFacts()>;
ScreenFactsSource SetScreenFactsSource(ScreenFactsSource source);

// Where the settings file of `name` lives. A bare name (no folder part) lives in
// one fixed place per user, whatever the working folder or the program folder:
// <GenericConfigLocation>/fapkalk/<name>, e.g. ~/.config/fapkalk/kalvor.ini.
// Without a usable HOME (unset, or no folder) the home folder comes from the
// password database; without that either, a bare name gives an empty path:
// no settings file. A name with a folder part is used as given.
QString ResolveIniFileName(const QString& name);

// The folder that holds the per-user settings folders: Qt's config location
// when $XDG_CONFIG_HOME is an absolute path or $HOME a folder; otherwise
// (HOME unset under some service managers and sudo setups) the password
// database's home folder + "/.config", rather than the root folder; empty
// when that is no folder either.
QString ConfigBaseFor(const QByteArray& xdgConfigHome, const QByteArray& home,
                      const QByteArray& passwordHome);

// Centres a window, frame included, on the available area of its screen (the
// primary screen before it has one), made no larger than that area where its
// own size rule allows, so that its title bar and its buttons are on screen
// also at a high scale factor (CentreOnArea).
void CentreOnScreen(QWidget& window);

// Where a window opens: centred on its screen at its first showing (unless a
// stored placement has put it elsewhere), and later where it was when it was
// last hidden, since the user may have moved it. The window calls the three
// steps from its setVisible and showEvent.
class OpeningPlace {
public:
    // From setVisible(true) of a hidden window, before the base class shows it.
    // Moving the window also keeps QDialog from centring it over its parent.
    void BeforeShow(QWidget& window) const;
    // From a non-spontaneous showEvent: the frame's size is known now, so the
    // first showing centres the whole window, frame included, once more.
    // `placedElsewhere`: a stored placement was applied, which wins.
    void Shown(QWidget& window, bool placedElsewhere = false);
    // From setVisible(false) of a visible window.
    void Hidden(const QWidget& window) { last_ = window.pos(); }

private:
    std::optional<QPoint> last_;
    bool shown_ = false;
};

} // namespace settings

class TJvFormPlacement : public QObject {
    Q_OBJECT
public:
    enum TPlacementOption { fpState = 0x1, fpPosition = 0x2 };
    Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)

    TJvFormPlacement(QWidget* form, const QString& iniSection);
    // Saves once more if the window was restored and no save completed since.
    ~TJvFormPlacement() override;

    TJvFormPlacement(const TJvFormPlacement&) = delete;
    TJvFormPlacement& operator=(const TJvFormPlacement&) = delete;

    // Configuration; may change until the window is first shown.
    bool Active = true;
    QString IniFileName = QStringLiteral("kalvor.ini");
    QString IniSection;
    TPlacementOptions Options = TPlacementOptions(fpState) | fpPosition;
    int Version = 0;
    // The application's main window: a stored minimized state minimizes the
    // application after the window came up normal, and a minimized main window
    // is saved as minimized.
    bool IsMainForm = false;
    // A window the user can resize. For a fixed border only the position is
    // restored. The window's own size rule (its minimum and maximum size) still
    // decides what size it takes.
    bool BorderSizeable = true;

    bool Restored() const { return restored_; }
    bool Saved() const { return saved_; }
    bool SavingAtDestroy() const { return savingAtDestroy_; }
    // True when the last restore placed the window: it must not centre itself.
    bool PlacementApplied() const { return placementApplied_; }

    // The two operations; the event hooks call them when Active. A failed save
    // shows its message and returns false.
    void RestoreFormPlacement();
    bool SaveFormPlacement();

    // The save at destruction, callable early from a window's destructor; runs
    // at most once.
    void FormDestroy();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::string ResolvedPath() const;
    // The settings file's full path for a message, escaped.
    QString ShownPath() const;
    void ReportFailure(const QString& text);
    void ReportWriteFailure(const std::string& reason);
    // Hands an outer rectangle to the window, fitted to its size rule and the
    // screens; returns the rectangle asked of the window.
    settings::PlacementRect PlaceFrame(const settings::PlacementRect& requested,
                                       const std::vector<settings::PlacementRect>& workAreas);
    void NoteNormalFrame();
    void CheckPendingFrame();
    void ApplyPendingFrame();

    QPointer<QWidget> form_;
    bool restored_ = false;
    bool saved_ = false;
    bool savingAtDestroy_ = false;
    bool placementApplied_ = false;
    bool destroyHandled_ = false;
    QString lastReported_; // the failure last shown, since the last restore or good save
    // What the last restore asked for, checked again once the window is on
    // screen and the window system knows its frame.
    struct PendingPlacement {
        settings::PlacementRect requested;
        std::vector<settings::PlacementRect> workAreas;
        QRect client; // the client rectangle right after the restore placed it
    };
    std::optional<PendingPlacement> pending_;
    // The frame last seen around the window in the normal state.
    std::optional<settings::FrameMargins> normalMargins_;
    bool pendingQueued_ = false;
    bool placing_ = false; // inside PlaceFrame's own geometry change
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TJvFormPlacement::TPlacementOptions)
