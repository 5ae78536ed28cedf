#include "controller/adapters/TextAdapters.h"

#include "text/PasteManager.h"
#include "text/TextReplacementService.h"

namespace parlix {

QString TextReplacementAdapter::applyReplacements(const QString &text)
{
    return m_service.applyReplacements(text);
}

QCoro::Task<bool> PasteManagerAdapter::pasteText(QString text)
{
    co_return co_await m_paste.pasteText(std::move(text));
}

void PasteManagerAdapter::copyToClipboard(const QString &text)
{
    m_paste.copyToClipboard(text);
}

QCoro::Task<bool> PasteManagerAdapter::typeText(QString text)
{
    co_return co_await m_paste.typeText(std::move(text));
}

} // namespace parlix
