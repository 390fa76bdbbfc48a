// Helpers shared by the desktop tests: a scripted answer at the message seam,
// a script that acts on each modal dialog as it opens, typing into boxes by
// the record field's name, pictures of dialogs, and the two output files as
// OpenSSL reads them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "text/cp1252.h"
#include "capture/registrant.h"
#include "generation/message_presenter.h"

namespace uitest {

// Readable form of Windows-1252 bytes.
inline std::string U(const std::string& cp1252) {
    return petitora::Cp1252ToUtf8(cp1252);
}

// Answers every box at the seam and keeps what was shown (texts in UTF-8).
// Yes/No boxes take the next queued answer, Yes when none is queued.
// onShow, when set, runs while the "box" is up (the dialog is still waiting).
class ScriptedMessages : public petitora::MessagePresenter {
  public:
    struct Shown {
        petitora::MessageRequest request;
        std::string caption, text;  // UTF-8
        std::string focusBefore;    // object name of the focused widget when shown
    };
    std::vector<Shown> shown;
    std::deque<petitora::MessageAnswer> answers;
    std::function<void(const petitora::MessageRequest&)> onShow;

    petitora::MessageAnswer Show(const petitora::MessageRequest& request) override;

    std::vector<std::string> Texts() const;
    std::string LastText() const { return shown.empty() ? std::string() : shown.back().text; }
    void Clear() { shown.clear(); }
};

// Acts on the modal dialogs of a nested run, in order: each step waits until
// a dialog of its type is the active modal widget, then runs once on it from
// the event loop (so that the step may itself open further modal dialogs).
class ModalScript : public QObject {
  public:
    ModalScript();
    template <typename Dialog>
    ModalScript& Then(std::function<void(Dialog*)> act) {
        steps_.push_back({[](QWidget* w) { return qobject_cast<Dialog*>(w) != nullptr; },
                          [act](QWidget* w) { act(static_cast<Dialog*>(w)); }});
        return *this;
    }
    bool Done() const { return next_ == steps_.size(); }
    std::size_t StepsRun() const { return next_; }

  private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Poll();
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// The child of root with this object name; fails the test when missing.
template <typename W>
W* Find(const QWidget* root, const char* name) {
    W* widget = root->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no widget named " << name;
    return widget;
}

// Gives the box the focus (as a click would) and types utf8 into it.
void TypeInto(QWidget* root, const char* name, const std::string& utf8);

// The name of the widget that has the keyboard focus ("" when none).
std::string FocusName();

// Clicks tab index of the capture dialog's tab strip.
void ClickTab(QWidget* captureDialog, int index);

// Fills every box of the current capture pages from record, page by page,
// changing tabs with the mouse, as a user would.
void FillCapture(QWidget* captureDialog, const petitora::RegistrantRecord& record);

// Moves the mouse over window (client coordinates) through the platform, as
// many times as asked or until the window closes; returns the moves made.
int MoveMouse(QWidget* window, int times, int firstX = 20, int firstY = 20);

// Every box, list and button under root has a name for screen readers.
void ExpectAccessibleNames(QWidget* root);

// Saves a picture of widget as <build>/ui-pictures/<name>.png and checks that
// it is not blank.
void Picture(QWidget* widget, const std::string& name);

// Reads the request and the key file with OpenSSL: the request's signature
// verifies with its own key, the key file decrypts with password (and not
// with another) to the private half of that key. Returns the subject's
// x500UniqueIdentifier (Windows-1252 bytes as stored), "" on failure.
std::string CheckFilesWithOpenSsl(const std::string& requestPath, const std::string& keyPath,
                                  const std::string& password, int* bits = nullptr);

}  // namespace uitest
