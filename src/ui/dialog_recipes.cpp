#include "ui/dialog_recipes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>

#include "log/run_log.h"

namespace ui {

QMessageBox *buildStyledBox(const QString &title, QMessageBox::Icon icon, const QString &text,
                            const QList<BoxButton> &buttons, const BoxStyle &style,
                            QList<QAbstractButton *> *made)
{
    auto *box = new QMessageBox(nullptr);
    if (style.font)
        box->setFont(*style.font);
    if (style.sizing == BoxStyle::FixedSize)
        box->setFixedSize(msgboxSize);
    box->setWindowTitle(title);
    box->setIcon(icon);
    box->setText(text);
    box->setStyleSheet(style.sheet);
    if (style.styledWindow) {
        box->setWindowFlags(styled_window_flags);
        box->setAttribute(Qt::WA_StyledBackground, true);
    }
    if (style.sizing == BoxStyle::MinimumSize)
        box->setMinimumSize(msgboxSize.width(), msgboxSize.height());
    QPushButton *first = nullptr;
    for (const BoxButton &spec : buttons) {
        QPushButton *button = box->addButton(spec.text, spec.role);
        if (style.font)
            button->setFont(*style.font);
        button->setFixedSize(btn_size);
        button->setStyleSheet(msg_btn_qss);
        if (!first)
            first = button;
        if (made)
            made->append(button);
    }
    if (style.defaultButton && first)
        box->setDefaultButton(first);
    return box;
}

int execStyledBox(const QString &title, QMessageBox::Icon icon, const QString &text,
                  const QList<BoxButton> &buttons, const BoxStyle &style)
{
    QList<QAbstractButton *> made;
    QMessageBox *box = buildStyledBox(title, icon, text, buttons, style, &made);
    box->exec();
    const int clicked = made.indexOf(box->clickedButton());
    runlog::box(title, text, box->clickedButton() ? box->clickedButton()->text() : QString());
    delete box;
    return clicked;
}

void showPlainWarning(const char *message, const QString &placeholder)
{
    QString text = QObject::tr(message);
    if (!placeholder.isNull())
        text = text.arg(placeholder);
    const int clicked =
        QMessageBox::warning(nullptr, QObject::tr("Error"), text, QMessageBox::Ok, QMessageBox::NoButton);
    runlog::box(QObject::tr("Error"), text, clicked == QMessageBox::Ok ? QStringLiteral("OK") : QString());
}

void setupStyledProgress(QProgressDialog &dialog, const QString &firstLabel, ProgressOrder order)
{
    dialog.setFont(font_normal);
    dialog.setLabelText(firstLabel);
    dialog.setStyleSheet(progress_qss);
    dialog.setAttribute(Qt::WA_StyledBackground, true);
    dialog.setWindowFlags(styled_window_flags);
    dialog.setRange(0, 100);
    dialog.setModal(true);
    switch (order) {
    case ProgressOrder::CancelRemovedBeforeShow:
        dialog.setCancelButton(nullptr);
        dialog.show();
        QCoreApplication::processEvents();
        dialog.setValue(0);
        break;
    case ProgressOrder::ShownThenSettled: {
        dialog.show();
        dialog.setValue(0);
        dialog.setCancelButton(nullptr);
        // Let the dialog paint before the first blocking command runs.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        break;
    }
    case ProgressOrder::CancelRemovedAfterShow:
        dialog.show();
        QCoreApplication::processEvents();
        dialog.setValue(0);
        dialog.setCancelButton(nullptr);
        break;
    }
}

}  // namespace ui
