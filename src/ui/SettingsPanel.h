#pragma once

#include "core/Settings.h"

#include <QObject>

namespace Ui {
class MainWindow;
}

namespace quillet {

// The settings half of the window: every setting into its control and back, field by field,
// and the rules that enable a panel's controls as its tick changes.
class SettingsPanel : public QObject {
    Q_OBJECT

public:
    SettingsPanel(Ui::MainWindow& ui, QObject* parent);

    // Every setting into its control; the enabling rules follow the ticks.
    void show(const Settings& settings);
    Settings settings() const;

signals:
    // The user changed a setting.
    void edited();

private:
    void followTicks();
    void securityChosen(int index);
    void serviceTyped(const QString& service);

    Ui::MainWindow& ui_;
    bool showing_ = false;
    int securityShown_ = 0;
};

} // namespace quillet
