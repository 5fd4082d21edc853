#include "settings/SettingsDialog.h"

#include "app/InstanceName.h"
#include "settings/ImeiGenerator.h"
#include "settings/PerformanceRule.h"
#include "settings/PlayerRestart.h"
#include "settings/ResolutionRule.h"
#include "settings/SettingsDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "settings/ShordCutEdit.h"

#include <QxtGlobalShortcut.h>
#include <TMessageBox.h>
#include <VMService.h>

#include <QComboBox>
#include <QDebug>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>

#include <climits>

namespace {

constexpr int kCustomPerformance = 3;
constexpr int kCustomGraphics = 0;

const char kStyleSheet[] =
    "QWidget#Settings {background: #393939;}"
    "QStackedWidget {background:#292929;}"
    "QStackedWidget QWidget {color: #a9a9a9;}"
    "QLabel{color:#a9a9a9;height:40px;}"
    "QLineEdit{color:#a9a9a9;border-radius:3px;background: #696969;}"
    "QListView {background:#363636;border-style:none;outline: none;}"
    "QListWidget::item{height:40px;color:#a9a9a9}"
    "QListWidget::item:selected {background:#494949;}"
    "QLabel {color:#a9a9a9;}"
    "QComboBox, QLineEdit {color:#a9a9a9;outline: none;height:30px;background:#393939;border:1px solid "
    "#000;border-radius:4px;}"
    "QComboBox::drop-down {background:transparent;}"
    "QComboBox::down-arrow {image:url(:/resources/image/combinebox_drop_arrow.png);}"
    "QPushButton{padding:5px;border-image: url(:/resources/image/pushbutton_n.png);color:#e0e0e0;border-width: "
    "4px;}"
    "QPushButton:pressed {border-image: url(:/resources/image/pushbutton_p.png);}";

QSize measureDesktop()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualGeometry().size() : QSize();
}

// The text as an integer within [low, high].
bool inRange(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= low && value <= high;
}

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

void showMessage(QWidget *parent, const QString &text)
{
    TMessageBox box(parent, text, false);
    box.exec();
}

bool ask(QWidget *parent, const QString &text)
{
    TMessageBox box(parent, text, true);
    return box.exec() != 0;
}

} // namespace

SettingsDialog::SettingsDialog(QWidget *parent, QSize desktop)
    : QWidget(parent)
    , m_store(std::make_unique<SettingsStore>(instanceName()))
    , m_desktop(desktop.isEmpty() ? measureDesktop() : desktop)
{
    setObjectName(QStringLiteral("Settings"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    resize(573, 447);
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    m_form.setupUi(this);

    load();

    connect(m_form.menu, &QListWidget::currentItemChanged, this, &SettingsDialog::menuItemClicked);
    connect(m_form.performace, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingsDialog::performaceSelected);
    connect(m_form.restore, &QPushButton::clicked, this, &SettingsDialog::restore);
    connect(m_form.save, &QPushButton::clicked, this, &SettingsDialog::save);
    connect(m_form.graphics, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingsDialog::graphicsSelected);
    connect(m_form.generateImeiButton, &QPushButton::clicked, this, &SettingsDialog::generateImei);
    connect(m_form.screencapButton, &QPushButton::clicked, this, &SettingsDialog::chooseScreenCap);
    connect(m_form.recordButton, &QPushButton::clicked, this, &SettingsDialog::chooseScreenRecord);
    connect(m_form.sharedFolerButton, &QPushButton::clicked, this, &SettingsDialog::chooseSharedFolder);
    m_form.menu->setCurrentRow(0);
}

SettingsDialog::~SettingsDialog()
{
    m_store->sync();
}

void SettingsDialog::load()
{
    const int performance = m_store->intValue(key(SettingsKeys::kPerformance), kCustomPerformance);
    m_form.performace->setCurrentIndex(performance);
    performaceSelected(performance);

    pruneResolutions();
    const int graphics = m_store->intValue(key(SettingsKeys::kGraphics), kCustomGraphics);
    const int row = graphics >= 0 && graphics < m_form.graphics->count() ? graphics : kCustomGraphics;
    m_form.graphics->setCurrentIndex(row);
    graphicsSelected(row);

    m_form.brand->setText(m_store->stringValue(key(SettingsKeys::kBrand)));
    m_form.model->setText(m_store->stringValue(key(SettingsKeys::kModel)));
    m_form.number->setText(m_store->stringValue(key(SettingsKeys::kNumber)));
    m_form.imei->setText(m_store->stringValue(key(SettingsKeys::kImei)));
    m_form.screencap->setText(m_store->stringValue(key(SettingsKeys::kScreenCap)));
    m_form.record->setText(m_store->stringValue(key(SettingsKeys::kScreenRecord)));
    m_form.sharedFolder->setText(m_store->stringValue(key(SettingsKeys::kSharedFolder)));

    const QString bossKey =
        m_store->stringValue(key(SettingsKeys::kBossKey), QString::fromLatin1(SettingsDefaults::kDialogBossKey));
    if (!bossKey.isEmpty())
        m_form.bossKey->setStoredKey(bossKey);
    m_form.bossKeyNote->setVisible(!QxtGlobalShortcut::desktopOffersShortcuts());
}

// Only trailing presets can be too large, so the rows left keep their
// preset numbers.
void SettingsDialog::pruneResolutions()
{
    for (int i = m_form.graphics->count() - 1; i >= 1; --i) {
        const QStringList parts = m_form.graphics->itemText(i).split(QLatin1Char('x'));
        bool fits = parts.size() == 2;
        if (fits) {
            bool widthOk = false;
            bool heightOk = false;
            const int width = parts[0].toInt(&widthOk);
            const int height = parts[1].toInt(&heightOk);
            fits = widthOk && heightOk && width <= m_desktop.width() && height <= m_desktop.height();
        }
        if (!fits)
            m_form.graphics->removeItem(i);
    }
}

void SettingsDialog::menuItemClicked(QListWidgetItem *, QListWidgetItem *)
{
    m_form.tabs->setCurrentIndex(m_form.menu->currentRow());
}

void SettingsDialog::performaceSelected(int index)
{
    const auto preset = performancePreset(index);
    if (preset) {
        m_form.cpu->setText(QString::number(preset->cpuCount));
        m_form.memory->setText(QString::number(preset->memoryMB));
    } else if (index == kCustomPerformance
               && m_store->intValue(key(SettingsKeys::kPerformance), kCustomPerformance) == kCustomPerformance) {
        VMService *vm = VMService::getVMService();
        const int hostCpu = vm != nullptr ? vm->hostProcessorCount() : 0;
        const int hostMemory = vm != nullptr ? vm->hostMemorySizeMB() : 0;
        m_form.cpu->setText(QString::number(m_store->intValue(key(SettingsKeys::kCpu), hostDefaultCpuCount(hostCpu))));
        m_form.memory->setText(
            QString::number(m_store->intValue(key(SettingsKeys::kMemory), hostDefaultMemoryMB(hostMemory))));
    }
    const bool custom = index == kCustomPerformance;
    m_form.cpu->setReadOnly(!custom);
    m_form.memory->setReadOnly(!custom);
}

void SettingsDialog::graphicsSelected(int index)
{
    const auto preset = graphicsPresetSize(index);
    if (preset) {
        m_form.width->setText(QString::number(preset->width()));
        m_form.height->setText(QString::number(preset->height()));
        m_form.dpi->setText(QString::number(SettingsDefaults::kDpi));
    } else if (index == kCustomGraphics
               && m_store->intValue(key(SettingsKeys::kGraphics), kCustomGraphics) == kCustomGraphics) {
        const QSize derived = screenDerivedSize(m_desktop.height());
        m_form.width->setText(QString::number(m_store->intValue(key(SettingsKeys::kGraphicsWidth), derived.width())));
        m_form.height->setText(
            QString::number(m_store->intValue(key(SettingsKeys::kGraphicsHeight), derived.height())));
        m_form.dpi->setText(QString::number(m_store->intValue(key(SettingsKeys::kGraphicsDpi), SettingsDefaults::kDpi)));
    }
    const bool custom = index == kCustomGraphics;
    m_form.width->setReadOnly(!custom);
    m_form.height->setReadOnly(!custom);
    m_form.dpi->setReadOnly(!custom);
}

bool SettingsDialog::checkValues()
{
    if (!inRange(m_form.cpu->text(), 1, kCpuLimit)) {
        showMessage(this, tr("CPU count should be Integer, greater than 0 and less than your computer counts?"));
        return false;
    }
    if (!inRange(m_form.width->text(), INT_MIN, m_desktop.width())
        || !inRange(m_form.height->text(), INT_MIN, m_desktop.height()) || !inRange(m_form.dpi->text(), 120, 480)) {
        showMessage(this, tr("Resolution should smaller than your screen?"));
        return false;
    }
    return true;
}

void SettingsDialog::save()
{
    if (!checkValues())
        return;
    m_store->setValue(key(SettingsKeys::kPerformance), m_form.performace->currentIndex());
    m_store->setValue(key(SettingsKeys::kGraphics), m_form.graphics->currentIndex());
    if (inRange(m_form.cpu->text(), 1, 8))
        saveCpu(m_form.cpu->text());
    if (inRange(m_form.memory->text(), 1024, 4096))
        saveMemory(m_form.memory->text());
    if (inRange(m_form.width->text(), 600, 4095))
        saveWidth(m_form.width->text());
    if (inRange(m_form.height->text(), 480, 4095))
        saveHeight(m_form.height->text());
    if (inRange(m_form.dpi->text(), 121, 599))
        saveDpi(m_form.dpi->text());
    saveBrand(m_form.brand->text());
    saveModel(m_form.model->text());
    saveNumber(m_form.number->text());
    saveImei(m_form.imei->text());
    saveScreenCap(m_form.screencap->text());
    saveScreenRecord(m_form.record->text());
    saveSharedFolder(m_form.sharedFolder->text());
    saveBossKey(m_form.bossKey->text());
    close();
    askRestart();
}

void SettingsDialog::restore()
{
    if (!ask(this, tr("Confirm to Restore to Default?")))
        return;
    for (const char *name : SettingsKeys::kRestoreKeys)
        m_store->remove(key(name));
    m_store->sync();
    close();
    askRestart();
}

// The dialog is closed (and deleted later) by now: the question's parent is
// the dialog's own parent.
void SettingsDialog::askRestart()
{
    if (ask(parentWidget(), tr("Reboot me to load new configuration?")))
        PlayerRestart::request();
}

void SettingsDialog::saveCpu(QString value)
{
    if (m_store->intValue(key(SettingsKeys::kPerformance), kCustomPerformance) == kCustomPerformance)
        m_store->setValue(key(SettingsKeys::kCpu), value.toInt());
    m_store->sync();
}

void SettingsDialog::saveMemory(QString value)
{
    qDebug() << "save memory " << value;
    if (m_store->intValue(key(SettingsKeys::kPerformance), kCustomPerformance) == kCustomPerformance)
        m_store->setValue(key(SettingsKeys::kMemory), value.toInt());
    m_store->sync();
}

void SettingsDialog::saveRecentAndNew(const char *name, const char *recentName, const QString &value)
{
    m_store->setValue(key(recentName), m_store->intValue(key(name), 0));
    m_store->setValue(key(name), value.toInt());
}

void SettingsDialog::saveWidth(QString value)
{
    saveRecentAndNew(SettingsKeys::kGraphicsWidth, SettingsKeys::kGraphicsWidthRecent, value);
}

void SettingsDialog::saveHeight(QString value)
{
    saveRecentAndNew(SettingsKeys::kGraphicsHeight, SettingsKeys::kGraphicsHeightRecent, value);
}

void SettingsDialog::saveDpi(QString value)
{
    m_store->setValue(key(SettingsKeys::kGraphicsDpi), value.toInt());
}

void SettingsDialog::storeString(const char *name, const QString &value)
{
    m_store->setValue(key(name), value);
}

void SettingsDialog::saveBrand(QString value)
{
    storeString(SettingsKeys::kBrand, value);
}

void SettingsDialog::saveModel(QString value)
{
    storeString(SettingsKeys::kModel, value);
}

void SettingsDialog::saveNumber(QString value)
{
    storeString(SettingsKeys::kNumber, value);
}

void SettingsDialog::saveImei(QString value)
{
    storeString(SettingsKeys::kImei, value);
}

void SettingsDialog::generateImei()
{
    const QString imei = ::generateImei();
    m_form.imei->setText(imei);
    saveImei(imei);
}

void SettingsDialog::saveScreenCap(QString value)
{
    storeString(SettingsKeys::kScreenCap, value);
}

void SettingsDialog::saveScreenRecord(QString value)
{
    storeString(SettingsKeys::kScreenRecord, value);
}

void SettingsDialog::saveSharedFolder(QString value)
{
    storeString(SettingsKeys::kSharedFolder, value);
}

void SettingsDialog::saveBossKey(QString value)
{
    if (value != QLatin1String(ShordCutEdit::kPrefix))
        storeString(SettingsKeys::kBossKey, value);
}

namespace {

void chooseFolderInto(QWidget *parent, QLineEdit *field)
{
    const QString folder = QFileDialog::getExistingDirectory(parent, QString(), QString());
    if (!folder.isEmpty())
        field->setText(folder);
}

} // namespace

void SettingsDialog::chooseScreenCap()
{
    chooseFolderInto(this, m_form.screencap);
}

void SettingsDialog::chooseScreenRecord()
{
    chooseFolderInto(this, m_form.record);
}

void SettingsDialog::chooseSharedFolder()
{
    chooseFolderInto(this, m_form.sharedFolder);
}

void SettingsDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::LeftButton)
        return;
    if (m_dragOffset.isNull()) {
        m_dragOffset = event->globalPos() - pos();
        return;
    }
    move(event->globalPos() - m_dragOffset);
}

void SettingsDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragOffset = QPoint();
    QWidget::mouseReleaseEvent(event);
}
