#include "ui/settings/OutputPage.h"

#include "core/SettingsModel.h"
#include "history/HistoryStore.h"
#include "ui/ExperimentalFeatureToggle.h"
#include "ui/settings/MaxHistoryItemsField.h"
#include "ui/settings/PageParts.h"
#include "ui/settings/ReplacementRuleRow.h"
#include "ui/settings/RuleEditDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace parlix::ui {

namespace {
constexpr OutputMode kModes[] = {OutputMode::pasteOnly, OutputMode::pasteAndCopy, OutputMode::copyOnly,
                                 OutputMode::historyOnly};
}

OutputPage::OutputPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    SettingsModel &settings = m_services.settings;
    QVBoxLayout *column = scrollingColumn(this);

    QGroupBox *output = addSection(column, tr("Output Mode"));
    sectionColumn(output)->addWidget(new QLabel(tr("Mode:"), output));
    m_modes = new QButtonGroup(this);
    for (OutputMode mode : kModes) {
        auto *button = new QRadioButton(label(mode), output);
        m_modes->addButton(button, int(mode));
        sectionColumn(output)->addWidget(button);
    }
    sectionColumn(output)->addWidget(caption(tr("All transcriptions are saved to history"), output));
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) { m_services.settings.setOutputMode(OutputMode(id)); });

    QGroupBox *history = addSection(column, tr("History"));
    m_historyField = new MaxHistoryItemsField([&settings] { return settings.maxHistoryItems(); },
                                              [&settings](qint64 value) { settings.setMaxHistoryItems(value); }, history);
    auto *limitRow = new QHBoxLayout;
    auto *limitLabel = new QLabel(tr("Max &History Items:"), history);
    limitLabel->setBuddy(m_historyField->field());
    limitRow->addWidget(limitLabel);
    limitRow->addWidget(m_historyField);
    limitRow->addStretch();
    sectionColumn(history)->addLayout(limitRow);
    m_historyCount = caption(QString(), history);
    sectionColumn(history)->addWidget(m_historyCount);
    sectionColumn(history)->addWidget(caption(tr("View and manage history in the History tab"), history));

    QGroupBox *replacements = addSection(column, tr("Text Replacements"));
    m_replacementToggle = new ExperimentalFeatureToggle(
        settings, tr("Enable text replacements"), [&settings] { return settings.textReplacementEnabled(); },
        [&settings](bool on) { settings.setTextReplacementEnabled(on); }, replacements);
    sectionColumn(replacements)->addWidget(m_replacementToggle);
    m_ruleEditor = new QWidget(replacements);
    auto *editor = new QVBoxLayout(m_ruleEditor);
    editor->setContentsMargins(0, 0, 0, 0);
    m_add = new QPushButton(QIcon::fromTheme(QStringLiteral("list-add")), tr("&Add Replacement"), m_ruleEditor);
    m_add->setFlat(true);
    auto *addRow = new QHBoxLayout;
    addRow->addWidget(m_add);
    addRow->addStretch();
    editor->addLayout(addRow);
    m_ruleList = new QVBoxLayout;
    m_ruleList->setSpacing(0);
    editor->addLayout(m_ruleList);
    sectionColumn(replacements)->addWidget(m_ruleEditor);
    connect(m_add, &QPushButton::clicked, this, &OutputPage::openAddSheet);
    column->addStretch();

    connect(&settings, &SettingsModel::changed, this, &OutputPage::refresh);
    refresh(QString());
}

OutputPage::~OutputPage() = default;

QRadioButton *OutputPage::outputModeButton(OutputMode mode) const
{
    return qobject_cast<QRadioButton *>(m_modes->button(int(mode)));
}

QList<ReplacementRuleRow *> OutputPage::ruleRows() const
{
    return m_ruleEditor->findChildren<ReplacementRuleRow *>();
}

void OutputPage::refresh(const QString &key)
{
    const SettingsModel &s = m_services.settings;
    const bool all = key.isEmpty();
    const auto is = [&key, all](const char *name) { return all || key == QLatin1String(name); };
    if (is(SettingsKey::outputMode)) {
        const QSignalBlocker quiet(m_modes);
        m_modes->button(int(s.outputMode()))->setChecked(true);
    }
    if (is(SettingsKey::maxHistoryItems)) {
        m_historyField->refresh();
        if (!all)
            refreshHistoryCount();
    }
    if (is(SettingsKey::experimentalFeaturesEnabled) || is(SettingsKey::textReplacementEnabled))
        m_ruleEditor->setVisible(s.experimentalFeaturesEnabled() && s.textReplacementEnabled());
    if (is(SettingsKey::textReplacementRules))
        rebuildRules();
    if (all)
        refreshHistoryCount();
}

void OutputPage::refreshHistoryCount()
{
    if (!m_services.history)
        return;
    HistoryStore &store = m_services.history();
    // Connected once; the store lives as long as the application.
    if (!m_historyCount->property("connected").toBool()) {
        connect(&store, &HistoryStore::itemsChanged, this, &OutputPage::refreshHistoryCount);
        m_historyCount->setProperty("connected", true);
    }
    m_historyCount->setText(tr("%1 items in history").arg(store.items().size()));
}

void OutputPage::rebuildRules()
{
    for (ReplacementRuleRow *row : ruleRows())
        delete row;
    for (const TextReplacementRule &rule : m_services.settings.textReplacementRules()) {
        auto *row = new ReplacementRuleRow(rule, m_ruleEditor);
        const QUuid id = rule.id;
        connect(row, &ReplacementRuleRow::toggled, this, [this, id] { toggleRule(id); }, Qt::QueuedConnection);
        connect(row, &ReplacementRuleRow::editRequested, this, [this, id] { openEditSheet(id); });
        connect(row, &ReplacementRuleRow::deleteRequested, this, [this, id] { deleteRule(id); }, Qt::QueuedConnection);
        m_ruleList->addWidget(row);
    }
}

void OutputPage::storeRules(const QList<TextReplacementRule> &rules)
{
    m_services.settings.setTextReplacementRules(rules);
}

void OutputPage::addRule(const TextReplacementRule &rule)
{
    QList<TextReplacementRule> rules = m_services.settings.textReplacementRules();
    rules.append(rule);
    storeRules(rules);
}

void OutputPage::updateRule(const TextReplacementRule &rule)
{
    QList<TextReplacementRule> rules = m_services.settings.textReplacementRules();
    for (TextReplacementRule &r : rules) {
        if (r.id == rule.id) {
            r = rule;
            storeRules(rules);
            return;
        }
    }
}

void OutputPage::toggleRule(const QUuid &id)
{
    QList<TextReplacementRule> rules = m_services.settings.textReplacementRules();
    for (TextReplacementRule &r : rules) {
        if (r.id == id) {
            r.isEnabled = !r.isEnabled;
            storeRules(rules);
            return;
        }
    }
}

void OutputPage::deleteRule(const QUuid &id)
{
    QList<TextReplacementRule> rules = m_services.settings.textReplacementRules();
    if (rules.removeIf([&id](const TextReplacementRule &r) { return r.id == id; }) > 0)
        storeRules(rules);
}

RuleEditDialog *OutputPage::openAddSheet()
{
    TextReplacementRule fresh(QString(), QString(), true);
    auto *sheet = new RuleEditDialog(fresh, true, [this](const TextReplacementRule &rule) { addRule(rule); },
                                     [this] { m_reference.showWindow(); }, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
    return sheet;
}

RuleEditDialog *OutputPage::openEditSheet(const QUuid &id)
{
    for (const TextReplacementRule &rule : m_services.settings.textReplacementRules()) {
        if (rule.id != id)
            continue;
        auto *sheet = new RuleEditDialog(rule, false, [this](const TextReplacementRule &r) { updateRule(r); },
                                         [this] { m_reference.showWindow(); }, this);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
        return sheet;
    }
    return nullptr;
}

} // namespace parlix::ui
