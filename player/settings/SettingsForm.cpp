#include "settings/SettingsForm.h"

#include "settings/ShordCutEdit.h"

#include <OSUtils.h>
#include <TTitleBar.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTitleBarHeight = 30;
constexpr int kMenuWidth = 100;

QString tr(const char *text)
{
    return QCoreApplication::translate("SettingsDialog", text);
}

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit *lineEdit(const char *name)
{
    return named(new QLineEdit, name);
}

QPushButton *button(const char *name, const char *text)
{
    return named(new QPushButton(tr(text)), name);
}

QLabel *label(const char *text)
{
    return new QLabel(tr(text));
}

QHBoxLayout *row(QWidget *first, QWidget *second)
{
    auto *layout = new QHBoxLayout;
    layout->addWidget(first);
    layout->addWidget(second);
    return layout;
}

} // namespace

void SettingsForm::setupUi(QWidget *dialog)
{
    title = named(new TTitleBar(dialog, false, false, nullptr), "title");
    title->setMinimumHeight(kTitleBarHeight);
    title->setTitle(tr("Settings"));
    title->setOnlyClose(true);

    menu = named(new QListWidget(dialog), "menu");
    menu->setMaximumWidth(kMenuWidth);
    menu->setFocusPolicy(Qt::NoFocus);
    tabs = named(new QStackedWidget(dialog), "tabs");
    tabs->setStyleSheet(QStringLiteral("background:#292929"));
    const char *const items[] = {"Performance", "Property", "Save Path", "Others", "About"};
    for (const char *item : items) {
        auto *entry = new QListWidgetItem(tr(item), menu);
        entry->setTextAlignment(Qt::AlignCenter);
    }
    tabs->addWidget(performancePage());
    tabs->addWidget(propertyPage());
    tabs->addWidget(savePathPage());
    tabs->addWidget(othersPage());
    tabs->addWidget(aboutPage());

    restore = button("restore", "Restore");
    save = button("save", "Save");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(restore);
    buttons->addWidget(save);

    auto *pages = new QHBoxLayout;
    pages->addWidget(menu);
    pages->addWidget(tabs);

    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(title);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
}

QWidget *SettingsForm::performancePage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    performace = named(new QComboBox, "performace");
    performace->addItems({tr("Low"), tr("Medium"), tr("High"), tr("Custom")});
    cpu = lineEdit("cpu");
    memory = lineEdit("memory");
    graphics = named(new QComboBox, "graphics");
    graphics->addItems({tr("Custom"), QStringLiteral("800x600"), QStringLiteral("1280x720"),
                        QStringLiteral("1440x900"), QStringLiteral("1920x1080")});
    width = lineEdit("width");
    height = lineEdit("height");
    dpi = lineEdit("dpi");
    form->addRow(label("Performance"), performace);
    form->addRow(label("CPU"), cpu);
    form->addRow(label("Memory"), row(memory, label("Mb")));
    form->addRow(label("Graphics"), graphics);
    form->addRow(label("Width"), width);
    form->addRow(label("Hight"), height);
    form->addRow(label("DPI"), dpi);
    form->addRow(label("DPI should between 150 and 480"));
    form->addRow(label("Choose setting fits your computer"));
    return page;
}

QWidget *SettingsForm::propertyPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    brand = lineEdit("brand");
    model = lineEdit("model");
    number = lineEdit("number");
    imei = lineEdit("imei");
    generateImeiButton = button("generateImeiButton", "Generate");
    form->addRow(label("Use Generate Button unless you are sure what you are doing."));
    form->addRow(label("Phone Brand"), brand);
    form->addRow(label("Phone Model"), model);
    form->addRow(label("Phone Number"), number);
    form->addRow(label("IMEI"), row(imei, generateImeiButton));
    return page;
}

QWidget *SettingsForm::savePathPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    sharedFolder = lineEdit("sharedFolder");
    sharedFolerButton = button("sharedFolerButton", "Choose");
    screencap = lineEdit("screencap");
    screencapButton = button("screencapButton", "Choose");
    record = lineEdit("record");
    recordButton = button("recordButton", "Choose");
    for (QLineEdit *field : {sharedFolder, screencap, record})
        field->setReadOnly(true);
    form->addRow(label("Shared Folder"), row(sharedFolder, sharedFolerButton));
    form->addRow(label("Screen Capture"), row(screencap, screencapButton));
    form->addRow(label("Screen Record"), row(record, recordButton));
    return page;
}

QWidget *SettingsForm::othersPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    bossKey = named(new ShordCutEdit, "bossKey");
    bossKeyNote = named(label("The desktop does not offer global shortcuts to this program."), "bossKeyNote");
    bossKeyNote->setWordWrap(true);
    auto *field = new QVBoxLayout;
    field->addWidget(bossKey);
    field->addWidget(bossKeyNote);
    form->addRow(label("Boss Key"), field);
    return page;
}

QWidget *SettingsForm::aboutPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    currentVersion = named(new QLabel(OSUtils::getFileVersion(QCoreApplication::applicationFilePath())),
                           "currentVersion");
    auto *link = label("<a href=\"https://www.corvane.example\" style=\"color: rgb(158, 158, 158);\">"
                       "www.corvane.example</a>");
    link->setOpenExternalLinks(true);
    layout->addStretch();
    layout->addWidget(label("Pellow Game Assistant"), 0, Qt::AlignCenter);
    layout->addWidget(currentVersion, 0, Qt::AlignCenter);
    layout->addWidget(label("Corvane Interactive"), 0, Qt::AlignCenter);
    layout->addWidget(label("Copyright (C) 2025 Corvane Interactive. All rights reserved."), 0, Qt::AlignCenter);
    layout->addWidget(link, 0, Qt::AlignCenter);
    layout->addWidget(label("Support: support@corvane.example"), 0, Qt::AlignCenter);
    layout->addWidget(label("Business: business@corvane.example"), 0, Qt::AlignCenter);
    layout->addStretch();
    return page;
}
