#pragma once
// The unsent recordings as the controller's UnsentClips.
#include "controller/DictationServices.h"

namespace parlix {

class UnsentRecordings;

class UnsentRecordingsAdapter : public UnsentClips {
public:
    explicit UnsentRecordingsAdapter(UnsentRecordings &store) : m_store(store) {}
    std::optional<QString> keep(const QString &path) override;
    std::optional<QString> newest() override;
    bool contains(const QString &path) override;
    void remove(const QString &path) override;

private:
    UnsentRecordings &m_store;
};

} // namespace parlix
