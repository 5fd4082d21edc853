#pragma once

#include "settings/SettingsForm.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

class QListWidgetItem;
class SettingsStore;

// Where the user changes what the instance store holds: performance preset
// with CPU count and memory, resolution preset with width, height and DPI,
// the simulated phone's identity, the three folders and the boss key. Save
// and Restore offer to restart the player, as nothing changes in the
// running guest. A frameless window-modal window, deleted when closed,
// dragged with the left button.
class SettingsDialog : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kCpuLimit = 4;

    // desktop: the desktop's default screen area; empty measures it.
    explicit SettingsDialog(QWidget *parent = nullptr, QSize desktop = QSize());
    ~SettingsDialog() override;

    // Fills the form from the store; running it twice changes nothing.
    void load();

    const SettingsForm &form() const { return m_form; }

public slots:
    void menuItemClicked(QListWidgetItem *current, QListWidgetItem *previous);
    void performaceSelected(int index);
    void graphicsSelected(int index);
    void saveWidth(QString value);
    void saveHeight(QString value);
    void saveDpi(QString value);
    void saveCpu(QString value);
    void saveMemory(QString value);
    void saveBrand(QString value);
    void saveModel(QString value);
    void saveNumber(QString value);
    void saveImei(QString value);
    void generateImei();
    void saveScreenCap(QString value);
    void saveScreenRecord(QString value);
    void saveSharedFolder(QString value);
    void chooseScreenCap();
    void chooseScreenRecord();
    void chooseSharedFolder();
    void saveBossKey(QString value);
    void save();
    void restore();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void pruneResolutions();
    bool checkValues();
    void storeString(const char *key, const QString &value);
    void saveRecentAndNew(const char *key, const char *recentKey, const QString &value);
    void askRestart();

    SettingsForm m_form;
    std::unique_ptr<SettingsStore> m_store;
    QPoint m_dragOffset;
    QSize m_desktop;
};
