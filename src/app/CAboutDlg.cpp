#include "CAboutDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ProgramIcon.h"
#include "platform/Version.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About JOV"));
  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* version = new QLabel(QString::fromUtf8(jov::kVersionText), this);
  QFont bold = version->font();
  bold.setBold(true);
  version->setFont(bold);
  auto* first = new QLabel(QStringLiteral("First program to add tags for xbox!"), this);
  auto* credits = new QLabel(QStringLiteral("Editor and map tools by the JOV developers.\n"
                                            "Thanks to every modder who tested the builds."),
                             this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 3, 1);
  layout->addWidget(version, 0, 1);
  layout->addWidget(first, 1, 1);
  layout->addWidget(credits, 2, 1);
  layout->addWidget(ok, 0, 2, Qt::AlignTop);
  layout->setColumnStretch(1, 1);
  layout->setHorizontalSpacing(16);
  setFixedSize(sizeHint());
}
