#include "ui/ExperimentalFeatureToggle.h"

#include "core/SettingsModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace parlix::ui {

ExperimentalBadge::ExperimentalBadge(QWidget *parent)
    : QLabel(tr(label), parent)
{
    // A small medium-weight caption in orange on a faint orange rounded box.
    QFont caption = font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    caption.setWeight(QFont::Medium);
    setFont(caption);
    setStyleSheet(QStringLiteral("QLabel { color: rgb(255, 149, 0); background-color: rgba(255, 149, 0, 38);"
                                 " border-radius: 4px; padding: 2px 6px; }"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

ExperimentalFeatureToggle::ExperimentalFeatureToggle(SettingsModel &settings, const QString &title,
                                                     std::function<bool()> isOn, std::function<void(bool)> setOn,
                                                     QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_isOn(std::move(isOn))
    , m_setOn(std::move(setOn))
    , m_toggle(new QCheckBox(title, this))
    , m_badge(new ExperimentalBadge(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_toggle, 0, Qt::AlignVCenter);
    layout->addWidget(m_badge, 0, Qt::AlignVCenter);
    layout->addStretch();

    connect(m_toggle, &QCheckBox::toggled, this, [this](bool on) { m_setOn(on); });
    connect(&m_settings, &SettingsModel::changed, this, &ExperimentalFeatureToggle::refresh);
    refresh();
}

void ExperimentalFeatureToggle::refresh()
{
    setHidden(!m_settings.experimentalFeaturesEnabled());
    const QSignalBlocker quiet(m_toggle);
    m_toggle->setChecked(m_isOn());
}

} // namespace parlix::ui
