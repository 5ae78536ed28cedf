#include "ui/settings/EngineChoiceSection.h"

#include "core/SettingsModel.h"
#include "engine/RemoteServerEngine.h"
#include "engine/RemoteServerToken.h"
#include "ui/settings/PageParts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {

QString description(EngineMode mode, double idleMinutes)
{
    switch (mode) {
    case EngineMode::perClip:
        return EngineChoiceSection::tr("Loads the model for every recording. Uses no memory between dictations.");
    case EngineMode::keepLoaded:
        return EngineChoiceSection::tr("Keeps the model in memory for quicker answers; it is unloaded after %n "
                                       "minute(s) without dictation.", nullptr, int(idleMinutes));
    case EngineMode::remote:
        return EngineChoiceSection::tr("Sends each recording to a whisper-server on another computer.");
    }
    return {};
}

} // namespace

EngineChoiceSection::EngineChoiceSection(SettingsModel &settings, QString tokenPath, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_tokenPath(std::move(tokenPath))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);

    m_mode = new QComboBox(this);
    for (EngineMode mode : {EngineMode::perClip, EngineMode::keepLoaded, EngineMode::remote})
        m_mode->addItem(label(mode), rawValue(mode));
    auto *modeRow = new QHBoxLayout;
    auto *modeLabel = new QLabel(tr("&Engine:"), this);
    modeLabel->setBuddy(m_mode);
    modeRow->addWidget(modeLabel);
    modeRow->addWidget(m_mode, 1);
    column->addLayout(modeRow);
    m_description = caption(QString(), this);
    column->addWidget(m_description);

    m_remote = new QWidget(this);
    auto *form = new QFormLayout(m_remote);
    form->setContentsMargins(0, 0, 0, 0);
    m_address = new QLineEdit(m_remote);
    m_address->setPlaceholderText(QStringLiteral("https://example.org:8080"));
    m_token = new QLineEdit(m_remote);
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setPlaceholderText(tr("optional"));
    auto *addressLabel = new QLabel(tr("Server &address:"), m_remote);
    addressLabel->setBuddy(m_address);
    auto *tokenLabel = new QLabel(tr("Access &token:"), m_remote);
    tokenLabel->setBuddy(m_token);
    form->addRow(addressLabel, m_address);
    form->addRow(tokenLabel, m_token);
    column->addWidget(m_remote);
    m_problem = caption(QString(), this);
    m_problem->setAccessibleName(tr("Remote server problem"));
    column->addWidget(m_problem);

    m_address->setText(m_settings.remoteServerUrl());
    m_token->setText(QString::fromUtf8(RemoteServerToken::read(m_tokenPath)));

    connect(m_mode, &QComboBox::activated, this, [this](int index) {
        if (const auto mode = engineModeFromRaw(m_mode->itemData(index).toString()))
            m_settings.setEngineMode(*mode);
    });
    connect(m_address, &QLineEdit::editingFinished, this, &EngineChoiceSection::saveAddress);
    connect(m_token, &QLineEdit::editingFinished, this, &EngineChoiceSection::saveToken);
    connect(&m_settings, &SettingsModel::changed, this, [this](const QString &key) {
        if (key == QLatin1String(SettingsKey::engineMode) || key == QLatin1String(SettingsKey::remoteServerUrl))
            refresh();
    });
    refresh();
}

void EngineChoiceSection::refresh()
{
    const EngineMode mode = m_settings.engineMode();
    m_mode->setCurrentIndex(m_mode->findData(rawValue(mode)));
    m_description->setText(description(mode, m_settings.serverIdleMinutes()));
    const bool remote = mode == EngineMode::remote;
    m_remote->setVisible(remote);
    const QString address = m_settings.remoteServerUrl();
    if (m_address->text() != address && !m_address->hasFocus())
        m_address->setText(address);
    QString problem;
    if (remote && address.trimmed().isEmpty())
        problem = tr("Enter the address of a whisper-server, e.g. http://192.168.1.20:8080.");
    else if (remote && !RemoteServerEngine::endpointFor(address))
        problem = tr("The address must start with http:// or https:// and name a host.");
    if (m_problem->text() != problem || problem.isEmpty())
        m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

void EngineChoiceSection::saveAddress()
{
    m_settings.setRemoteServerUrl(m_address->text().trimmed());
    refresh();
}

void EngineChoiceSection::saveToken()
{
    QString error;
    if (!RemoteServerToken::write(m_token->text().toUtf8(), m_tokenPath, &error)) {
        m_problem->setText(tr("The access token could not be saved: %1").arg(error));
        m_problem->setVisible(true);
    }
}

} // namespace parlix::ui
