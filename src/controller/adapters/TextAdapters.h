#pragma once
// The replacement engine and the text delivery as the controller's TextRewriter and TextDelivery.
#include "controller/DictationServices.h"

namespace parlix {

class PasteManager;
class TextReplacementService;

class TextReplacementAdapter : public TextRewriter {
public:
    explicit TextReplacementAdapter(const TextReplacementService &service) : m_service(service) {}
    QString applyReplacements(const QString &text) override;

private:
    const TextReplacementService &m_service;
};

class PasteManagerAdapter : public TextDelivery {
public:
    explicit PasteManagerAdapter(PasteManager &paste) : m_paste(paste) {}
    QCoro::Task<bool> pasteText(QString text) override;
    void copyToClipboard(const QString &text) override;
    QCoro::Task<bool> typeText(QString text) override;

private:
    PasteManager &m_paste;
};

} // namespace parlix
