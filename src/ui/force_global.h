#pragma once
// Shared dialog values of the tool. Built by static
// initialisation before main() runs and never modified.

#include <QFont>
#include <QSize>
#include <QString>

extern const QSize msgboxSize;       // every styled message box: 400 x 200
extern const QFont font_normal;      // "microsoft_yahei", 20 pt, normal weight
extern const QSize btn_size;         // every message-box button: 100 x 40
extern const QString msg_btn_qss;    // style sheet of every message-box button
extern const QString msg_qss;        // style sheet of every styled message box

// Style sheet of every progress dialog: 1-pixel border, 10 pixels padding.
extern const QString progress_qss;

// The box style text the forced upgrade and the utilities spell themselves.
// The doubled semicolon is an empty declaration the style-sheet parser skips,
// so such a box looks exactly like one styled with msg_qss.
extern const QString flow_msg_qss;
