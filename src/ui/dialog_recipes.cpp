#include "ui/dialog_recipes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QScroller>

#include "log/run_log.h"

namespace ui {

namespace {

const char *const scrolled_area_name = "scrolledText";

QRect availableArea(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Puts a box's scrolled part between its text and its closing lines, and
// gives it the height the screen leaves. QMessageBox lays itself out anew
// whenever its icon or closing text is set, and sizes itself when shown, so
// this runs when the box is about to show, before it takes its size.
class ScrolledPart : public QObject {
public:
    ScrolledPart(QMessageBox *box, QScrollArea *area) : QObject(box), box_(box), area_(area)
    {
        box->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == box_ && event->type() == QEvent::Show)
            place();
        return false;
    }

private:
    void place()
    {
        auto *grid = qobject_cast<QGridLayout *>(box_->layout());
        auto *text = box_->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        auto *closing = box_->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
        auto *buttons = box_->findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
        if (!grid || !text || !buttons)
            return;
        if (grid->indexOf(area_) < 0) {
            int row, column, rows, columns;
            grid->getItemPosition(grid->indexOf(text), &row, &column, &rows, &columns);
            if (closing)
                grid->removeWidget(closing);
            grid->removeWidget(buttons);
            grid->addWidget(area_, row + 1, column);
            if (closing)
                grid->addWidget(closing, row + 2, column);
            grid->addWidget(buttons, row + 3, 0, 1, grid->columnCount());
        }
        // The height the rest of the box takes, then what the screen leaves
        // for the scrolled part (at least a few lines, to be scrolled).
        const QWidget *content = area_->widget();
        const int frame = 2 * area_->frameWidth();
        const int wanted = content->sizeHint().height() + frame;
        area_->setFixedHeight(0);
        grid->invalidate();
        const int rest = grid->totalSizeHint().height();
        const int room = availableArea(box_).height() - rest - 2 * frame;
        const int least = 3 * area_->fontMetrics().height();
        area_->setFixedHeight(qBound(qMin(least, wanted), room, wanted));
        area_->setMinimumWidth(content->sizeHint().width() + frame +
                               area_->verticalScrollBar()->sizeHint().width());
    }

    QMessageBox *box_;
    QScrollArea *area_;
};

void addScrolledPart(QMessageBox *box, const BoxStyle &style)
{
    auto *content = new QLabel(style.scrolledText);
    content->setTextFormat(Qt::RichText);
    content->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *area = new QScrollArea(box);
    area->setObjectName(QLatin1String(scrolled_area_name));
    area->setWidget(content);
    area->setWidgetResizable(true);
    // On the box's own white, like its text.
    content->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A panel has a finger, not a wheel: dragging the part scrolls it.
    QScroller::grabGesture(area->viewport(), QScroller::LeftMouseButtonGesture);
    box->setInformativeText(style.closingText);
    new ScrolledPart(box, area);
}

}  // namespace

void fitToScreen(QWidget *window)
{
    const QRect area = availableArea(window);
    if (area.isValid())
        window->setMaximumSize(window->maximumSize().boundedTo(area.size()));
}

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
    if (!style.scrolledText.isEmpty())
        addScrolledPart(box, style);
    fitToScreen(box);
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
    runlog::box(title, text + style.scrolledText + style.closingText,
                box->clickedButton() ? box->clickedButton()->text() : QString());
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
    fitToScreen(&dialog);
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
