#pragma once
// A message box in the tool's flat, white style, with static operations
// that show a styled box with this program's own button captions and
// answer the button pressed.

#include <QMessageBox>

class QCustomMessageBox : public QMessageBox {
    Q_OBJECT
public:
    explicit QCustomMessageBox(QWidget *parent);
    // As the QMessageBox constructor of the same parameters, then a white
    // background for a box named "QCustomMessageBox" and a 20-point font.
    QCustomMessageBox(QMessageBox::Icon icon, const QString &title, const QString &text,
                      QMessageBox::StandardButtons buttons = QMessageBox::NoButton,
                      QWidget *parent = nullptr,
                      Qt::WindowFlags flags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    ~QCustomMessageBox() override;

    // Builds a frameless, stay-on-top, top-level box (the parent is not
    // used) with `buttons` (none: one "Ok"), runs it modally, deletes it
    // and answers the StandardButton value of the button that closed it.
    // Ignore, Apply, Help and Reset are captioned "Above", "Below",
    // "Auxiliary point" and "End point".
    static int ShowCustomMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                    const QString &text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    static int critical(QWidget *parent, const QString &title, const QString &text,
                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static int information(QWidget *parent, const QString &title, const QString &text,
                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                           QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static int question(QWidget *parent, const QString &title, const QString &text,
                        QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    static int warning(QWidget *parent, const QString &title, const QString &text,
                       QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                       QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // Style sheets of the constructor, of the static box and of its buttons.
    static const char *const constructor_qss;
    static const char *const box_qss;
    static const char *const button_qss;
};
