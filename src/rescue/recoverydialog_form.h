#pragma once
// The form of RecoveryDialog: a group with the project list, a group with
// the database list, and the Ok/Cancel buttons, top to bottom.

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QVBoxLayout>

class Ui_RecoveryDialog {
public:
    QVBoxLayout *verticalLayout;
    QGroupBox *grbProject;
    QVBoxLayout *verticalLayout_3;
    QComboBox *cmbProject;
    QGroupBox *grbDatabase;
    QVBoxLayout *verticalLayout_2;
    QComboBox *cmbDatabase;
    QDialogButtonBox *buttonBox;

    void setupUi(QDialog *dialog)
    {
        if (dialog->objectName().isEmpty())
            dialog->setObjectName(QStringLiteral("RecoveryDialog"));
        dialog->resize(400, 186);
        verticalLayout = new QVBoxLayout(dialog);
        verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
        grbProject = new QGroupBox(dialog);
        grbProject->setObjectName(QStringLiteral("grbProject"));
        verticalLayout_3 = new QVBoxLayout(grbProject);
        verticalLayout_3->setObjectName(QStringLiteral("verticalLayout_3"));
        cmbProject = new QComboBox(grbProject);
        cmbProject->setObjectName(QStringLiteral("cmbProject"));
        verticalLayout_3->addWidget(cmbProject);
        verticalLayout->addWidget(grbProject);
        grbDatabase = new QGroupBox(dialog);
        grbDatabase->setObjectName(QStringLiteral("grbDatabase"));
        verticalLayout_2 = new QVBoxLayout(grbDatabase);
        verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
        cmbDatabase = new QComboBox(grbDatabase);
        cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
        verticalLayout_2->addWidget(cmbDatabase);
        verticalLayout->addWidget(grbDatabase);
        buttonBox = new QDialogButtonBox(dialog);
        buttonBox->setObjectName(QStringLiteral("buttonBox"));
        buttonBox->setOrientation(Qt::Horizontal);
        buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
        verticalLayout->addWidget(buttonBox);

        dialog->setWindowTitle(QCoreApplication::translate("RecoveryDialog", "Dialog"));
        QObject::connect(buttonBox, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
        QObject::connect(buttonBox, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
        QMetaObject::connectSlotsByName(dialog);
    }
};
