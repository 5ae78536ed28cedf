#pragma once
// A whisper-server elsewhere (the user's stronger machine): its address from the settings, its
// access token from RemoteServerToken, the same request as the kept-loaded server's.
#include "engine/InferenceClient.h"
#include "engine/SpeechEngine.h"

#include <QNetworkAccessManager>
#include <QObject>

namespace parlix {

class SettingsModel;

class RemoteServerEngine : public QObject, public SpeechEngine {
    Q_OBJECT
public:
    RemoteServerEngine(SettingsModel &settings, QString tokenPath, QObject *parent = nullptr);

    // The inference endpoint for the address the user typed: "/inference" is added to an address
    // without a path. Nothing when it is not an http or https address with a host.
    static std::optional<QUrl> endpointFor(const QString &address);

    // Throws WhisperError: transcriptionFailed saying why (no address, unreachable, token refused).
    QCoro::Task<QString> transcribe(QString audioPath, std::optional<QString> prompt) override;
    void cancel() override;

private:
    SettingsModel &m_settings;
    QString m_tokenPath;
    QNetworkAccessManager m_network;
    InferenceClient m_client{m_network};
};

} // namespace parlix
