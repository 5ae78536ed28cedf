#pragma once
// The Model tab's engine row: how speech becomes text (per clip, the model kept loaded, a remote
// server), with the remote server's address and access token while that is chosen. The address
// goes to the settings; the token to its own private file.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace parlix {
class SettingsModel;
}

namespace parlix::ui {

class EngineChoiceSection : public QWidget {
    Q_OBJECT
public:
    EngineChoiceSection(SettingsModel &settings, QString tokenPath, QWidget *parent = nullptr);

    QComboBox *modePicker() const { return m_mode; }
    QLabel *modeDescription() const { return m_description; }
    QWidget *remoteFields() const { return m_remote; }
    QLineEdit *addressField() const { return m_address; }
    QLineEdit *tokenField() const { return m_token; }
    // Says what is wrong with the address or the token file.
    QLabel *problemLabel() const { return m_problem; }

private:
    void refresh();
    void saveAddress();
    void saveToken();

    SettingsModel &m_settings;
    QString m_tokenPath;
    QComboBox *m_mode = nullptr;
    QLabel *m_description = nullptr;
    QWidget *m_remote = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_token = nullptr;
    QLabel *m_problem = nullptr;
};

} // namespace parlix::ui
