#pragma once
// The About tab: icon, name, version, "Check for Updates...", the taglines, and the panel five
// clicks on the icon reveal: the icon spinning, a rotating joke, and the one switch for the
// experimental features.
#include "ui/settings/SettingsPageServices.h"

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace parlix::ui {

class SpinningIcon;

class AboutPage : public QWidget {
    Q_OBJECT
public:
    explicit AboutPage(const SettingsPageServices &services, QWidget *parent = nullptr);

    // The jokes, in their stored order.
    static const QStringList &messages();

    // A click on the main icon: counts while the panel is closed; the fifth reveals it.
    void iconClicked();
    // A click on the panel's icon: spins it and moves to the next joke.
    void panelIconClicked();
    // "Back" or Escape.
    void closePanel();

    bool panelShown() const { return m_panelShown; }
    int clickCount() const { return m_clicks; }
    QString currentMessage() const;

    SpinningIcon *icon() const { return m_icon; }
    SpinningIcon *panelIcon() const { return m_panelIcon; }
    QPushButton *updateButton() const { return m_update; }
    QLabel *updateNote() const { return m_updateNote; }
    QLabel *messageLabel() const { return m_message; }
    QCheckBox *experimentalSwitch() const { return m_experimental; }
    QPushButton *backButton() const { return m_back; }
    QWidget *mainColumn() const { return m_main; }
    QWidget *panel() const { return m_panel; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void reveal();
    void showPanel(bool shown);

    SettingsPageServices m_services;
    QWidget *m_main;
    QWidget *m_panel;
    SpinningIcon *m_icon;
    SpinningIcon *m_panelIcon;
    QPushButton *m_update;
    QLabel *m_updateNote;
    QLabel *m_message;
    QCheckBox *m_experimental;
    QPushButton *m_back;
    int m_clicks = 0;
    bool m_panelShown = false;
    QStringList m_shuffled;
};

} // namespace parlix::ui
