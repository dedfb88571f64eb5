#pragma once
// The recipes by which every dialog of the tool is built: the styled message
// box, the styled progress dialog and the plain warning box.

#include <QList>
#include <QMessageBox>
#include <QString>

#include "ui/force_global.h"

class QAbstractButton;
class QProgressDialog;
class QWidget;

namespace ui {

// Dialog | FramelessWindowHint | WindowStaysOnTopHint (0x40803): a frameless
// dialog that stays above all other windows, so its title is never seen.
constexpr Qt::WindowFlags styled_window_flags =
    Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

struct BoxButton {
    QString text;
    QMessageBox::ButtonRole role;
};

// How a box departs from the shared recipe. The defaults are the recipe.
struct BoxStyle {
    enum Sizing { FixedSize, MinimumSize, FreeSize };

    const QFont *font = &font_normal;  // box and buttons; nullptr: none set
    Sizing sizing = FixedSize;         // against msgboxSize
    QString sheet = msg_qss;
    bool styledWindow = true;          // window flags 0x40803 and styled background
    bool defaultButton = false;        // make the first button the default one
    // A long part of the box (a table, say), rich text shown below the text
    // in an area that scrolls by finger when the box would not fit the
    // screen, and the closing lines shown below it, always on screen with
    // the buttons. Empty: the box is text and buttons alone.
    QString scrolledText;
    QString closingText;
};

// Keeps a top-level window within the screen it is on (the screen's
// available area): its maximum size, and for a box with a scrolled part
// the height of that part, so that every button stays on screen.
void fitToScreen(QWidget *window);

// Builds a styled box on the heap, without parent, as the recipe says. The
// buttons get the box's font, the fixed size btn_size and msg_btn_qss; the
// created buttons are appended to `made` in the order given.
QMessageBox *buildStyledBox(const QString &title, QMessageBox::Icon icon, const QString &text,
                            const QList<BoxButton> &buttons, const BoxStyle &style = BoxStyle(),
                            QList<QAbstractButton *> *made = nullptr);

// Builds the box, runs it modally and deletes it. Answers the index in
// `buttons` of the button that closed it, or -1 when none of them did.
int execStyledBox(const QString &title, QMessageBox::Icon icon, const QString &text,
                  const QList<BoxButton> &buttons, const BoxStyle &style = BoxStyle());

// The toolkit's standard warning with title "Error", the given message
// (both through QObject::tr; a "%1" in the message is filled with
// `placeholder` after translation) and one Ok button.
void showPlainWarning(const char *message, const QString &placeholder = QString());

// Orders in which a progress dialog is brought up, after the common styling.
enum class ProgressOrder {
    CancelRemovedBeforeShow,  // setCancelButton(nullptr), show(), processEvents(), setValue(0)
    ShownThenSettled,         // show(), setValue(0), setCancelButton(nullptr), ~100 ms of events
                              // so the dialog paints before the first blocking command
    CancelRemovedAfterShow,   // show(), processEvents(), setValue(0), setCancelButton(nullptr)
};

// Styles and shows a progress dialog (range 0 to 100, modal, no cancel
// button) with its first label, and brings it to value 0.
void setupStyledProgress(QProgressDialog &dialog, const QString &firstLabel,
                         ProgressOrder order = ProgressOrder::CancelRemovedBeforeShow);

}  // namespace ui
