#pragma once

#include "core/Action.h"

#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;

namespace Ui {
class MainWindow;
}

namespace quillet {

class Model;
class SettingsPanel;

// The program's only window, built when first shown: it shows the model (every setting,
// the addresses, the computer name, the action outcomes, the e-mail's transcript) and puts
// every edit of a setting back into it at once.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(Model& model, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The controls, as the layout in MainWindow.ui names them.
    Ui::MainWindow& ui() const { return *ui_; }
    QLabel* statusLabel(Action action) const;

    // The maker's web page, linked at the bottom; an empty one hides the link.
    void setMakerLink(const QString& url);

signals:
    void refreshRequested();
    void executeRequested();
    // The window is being closed; the program's clean-up follows.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindModel();
    void showAddresses();
    void showAddressCheck();
    void showStatus(Action action);
    void showProblems();
    void appendTranscript(const QString& text);
    void checkFileName();
    void copyAddress(const QLineEdit* box);
    void viewChangeLog();

    Model& model_;
    std::unique_ptr<Ui::MainWindow> ui_;
    SettingsPanel* settingsPanel_;
    // The External IP boxes' own tips, before what the check adds.
    QString externalTip_;
    QString externalIPv6Tip_;
    QString makerUrl_;
};

} // namespace quillet
