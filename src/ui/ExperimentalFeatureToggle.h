#pragma once
// The row a tab uses for a setting that belongs to the experimental features: a switch and the
// "Experimental" badge. With experimental features off the row is hidden entirely, and it follows
// that setting while the window is open.
#include <QLabel>
#include <QWidget>

#include <functional>

class QCheckBox;

namespace parlix {
class SettingsModel;
}

namespace parlix::ui {

class ExperimentalBadge : public QLabel {
    Q_OBJECT
public:
    explicit ExperimentalBadge(QWidget *parent = nullptr);

    static inline const char *const label = QT_TRANSLATE_NOOP("parlix::ui::ExperimentalBadge", "Experimental");
};

class ExperimentalFeatureToggle : public QWidget {
    Q_OBJECT
public:
    // `isOn` reads the boolean setting and `setOn` stores it; the switch shows the setting and
    // follows it when it changes elsewhere.
    ExperimentalFeatureToggle(SettingsModel &settings, const QString &title, std::function<bool()> isOn,
                              std::function<void(bool)> setOn, QWidget *parent = nullptr);

    QCheckBox *toggle() const { return m_toggle; }
    ExperimentalBadge *badge() const { return m_badge; }

private:
    void refresh();

    SettingsModel &m_settings;
    std::function<bool()> m_isOn;
    std::function<void(bool)> m_setOn;
    QCheckBox *m_toggle;
    ExperimentalBadge *m_badge;
};

} // namespace parlix::ui
