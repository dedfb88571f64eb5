#include "ui/force_global.h"

const QSize msgboxSize(400, 200);
const QFont font_normal(QStringLiteral("microsoft_yahei"), 20, 50, false);
const QSize btn_size(100, 40);
const QString msg_btn_qss = QStringLiteral(
    "QPushButton:focus{outline: none;}"
    "QPushButton{border:hide;border-radius:2px;padding:0px 0px;"
    "background-color:rgb(51,51,51);color:rgb(255,255,255);}"
    "QPushButton:pressed{background-color:rgb(150,150,150);padding-left:2px;padding-top:2px;}");
const QString msg_qss = QStringLiteral(
    "QMessageBox{border: 2px solid rgb(218,221,223);background-color: rgb(255,255,255);}");

const QString progress_qss = QStringLiteral(
    "QProgressDialog{border: 1px solid rgb(218,221,223);background-color: rgb(255,255,255);padding:10px;}");
const QString flow_msg_qss = QStringLiteral(
    "QMessageBox{border: 2px solid rgb(218,221,223);;background-color: rgb(255,255,255);}");
