#include "ui/settings/AboutPage.h"

#include "core/Constants.h"
#include "core/SettingsModel.h"
#include "ui/settings/PageParts.h"
#include "ui/settings/SpinningIcon.h"
#include "update/UpdateController.h"

#include <QKeyEvent>
#include <QCheckBox>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace parlix::ui {

namespace {

constexpr int kClicksToReveal = 5;
constexpr int kRevealSpinMs = 800;
constexpr int kPanelSpinMs = 500;
constexpr int kCloseMs = 200;

QLabel *centred(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

// A column at most 350 wide, centred in `page`.
QVBoxLayout *narrowColumn(QWidget *page, int sideMargin)
{
    auto *outer = new QHBoxLayout(page);
    outer->setContentsMargins(sideMargin, 16, sideMargin, 16);
    auto *inner = new QWidget(page);
    inner->setMaximumWidth(350);
    outer->addStretch();
    outer->addWidget(inner, 1);
    outer->addStretch();
    auto *column = new QVBoxLayout(inner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    return column;
}

} // namespace

const QStringList &AboutPage::messages()
{
    static const QStringList list{
        tr("Fun fact: The first words transcribed by this app were probably 'testing testing 1 2 3'"),
        tr("Did you know? Whisper was trained on 680,000 hours of audio. That's 77 years of podcasts."),
        tr("Pro tip: Talk to your computer. It's listening. Always listening..."),
        tr("Achievement unlocked: Icon Clicker"),
        tr("The mic is always ready. Are you?"),
        tr("Roses are red, violets are blue, I transcribe your voice, and your mumbling too."),
        tr("I heard you the first time. And the second. And the third..."),
        tr("Fun fact: Your voice is unique. Like a fingerprint, but louder."),
        tr("Whisper whisper... that's literally what I do."),
        tr("You've discovered the sacred spinning icon. Use this power wisely."),
        tr("Error 404: Silence not found. Keep talking!"),
        tr("I've transcribed things. Things I can never un-hear."),
        tr("Behind every great transcription is a developer who said 'it works on my machine'."),
        tr("Plot twist: The app was the friend we made along the way."),
        tr("You're still clicking? I admire your dedication."),
        tr("Shh... the bits are sleeping. Just kidding, they never sleep."),
        tr("Voice recognition tip: Speaking clearly helps. Shouting does not."),
        tr("I put the 'AI' in 'Wait, did I say that out loud?'"),
    };
    return list;
}

AboutPage::AboutPage(const SettingsPageServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
{
    QVBoxLayout *page = scrollingColumn(this);
    auto *layers = new QStackedWidget(this);
    page->addWidget(layers);

    // The main column.
    m_main = new QWidget(layers);
    QVBoxLayout *column = narrowColumn(m_main, 0);
    m_icon = new SpinningIcon(m_main);
    column->addWidget(m_icon, 0, Qt::AlignHCenter);
    QLabel *name = centred(QStringLiteral("Parlix"), m_main);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 2.4);
    large.setBold(true);
    name->setFont(large);
    column->addWidget(name);
    QLabel *version = centred(Constants::versionDisplayString(), m_main);
    QFont title3 = version->font();
    title3.setPointSizeF(title3.pointSizeF() * 1.4);
    version->setFont(title3);
    version->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(version);
    m_update = new QPushButton(tr("Check for &Updates..."), m_main);
    column->addWidget(m_update, 0, Qt::AlignHCenter);
    m_updateNote = caption(tr("Updates come from your package manager"), m_main);
    m_updateNote->setAlignment(Qt::AlignCenter);
    column->addWidget(m_updateNote);
    column->addStretch();
    QLabel *poweredBy = caption(tr("Speech-to-text powered by Whisper"), m_main);
    poweredBy->setAlignment(Qt::AlignCenter);
    QLabel *overrated = caption(tr("Because typing is overrated"), m_main);
    overrated->setAlignment(Qt::AlignCenter);
    QFont italic = overrated->font();
    italic.setItalic(true);
    overrated->setFont(italic);
    column->addWidget(poweredBy);
    column->addWidget(overrated);
    layers->addWidget(m_main);

    update::UpdateController *updater = m_services.updater ? &m_services.updater() : nullptr;
    const bool hasFeed = updater && updater->hasFeed();
    m_update->setEnabled(hasFeed && updater->canCheckForUpdates());
    m_updateNote->setVisible(!hasFeed);
    if (hasFeed) {
        connect(updater, &update::UpdateController::canCheckForUpdatesChanged, m_update, &QPushButton::setEnabled);
        connect(m_update, &QPushButton::clicked, updater, &update::UpdateController::checkForUpdates);
    }

    // The hidden panel.
    m_panel = new QWidget(layers);
    QVBoxLayout *hidden = narrowColumn(m_panel, 20);
    m_panelIcon = new SpinningIcon(m_panel);
    hidden->addWidget(m_panelIcon, 0, Qt::AlignHCenter);
    auto *messageBox = new QFrame(m_panel);
    messageBox->setObjectName(QStringLiteral("secretBox"));
    messageBox->setStyleSheet(QStringLiteral("#secretBox { background-color: rgba(255, 149, 0, 26);"
                                             " border: 1px solid rgba(255, 149, 0, 77); border-radius: 8px; }"));
    auto *messageColumn = new QVBoxLayout(messageBox);
    messageColumn->setContentsMargins(12, 12, 12, 12);
    QLabel *headline = centred(tr("You found the secret!"), messageBox);
    QFont bold = headline->font();
    bold.setBold(true);
    headline->setFont(bold);
    headline->setStyleSheet(QStringLiteral("QLabel { color: rgb(255, 149, 0); }"));
    m_message = centred(QString(), messageBox);
    messageColumn->addWidget(headline);
    messageColumn->addWidget(m_message);
    hidden->addWidget(messageBox);

    auto *experimentalBox = new QFrame(m_panel);
    experimentalBox->setObjectName(QStringLiteral("experimentalBox"));
    experimentalBox->setStyleSheet(QStringLiteral("#experimentalBox { background-color: rgba(128, 128, 128, 26); border-radius: 6px; }"));
    auto *experimentalColumn = new QVBoxLayout(experimentalBox);
    experimentalColumn->setContentsMargins(10, 10, 10, 10);
    m_experimental = new QCheckBox(tr("Enable E&xperimental Features"), experimentalBox);
    experimentalColumn->addWidget(m_experimental);
    experimentalColumn->addWidget(caption(
        tr("When disabled, Live Dictation, Translate to English, and Text Replacements will not run."), experimentalBox));
    hidden->addWidget(experimentalBox);
    m_back = new QPushButton(tr("&Back"), m_panel);
    hidden->addWidget(m_back, 0, Qt::AlignHCenter);
    hidden->addStretch();
    layers->addWidget(m_panel);

    connect(m_back, &QPushButton::clicked, this, &AboutPage::closePanel);
    connect(m_icon, &SpinningIcon::clicked, this, &AboutPage::iconClicked);
    connect(m_panelIcon, &SpinningIcon::clicked, this, &AboutPage::panelIconClicked);

    SettingsModel &settings = m_services.settings;
    m_experimental->setChecked(settings.experimentalFeaturesEnabled());
    connect(m_experimental, &QCheckBox::toggled, &settings, &SettingsModel::setExperimentalFeaturesEnabled);
    connect(&settings, &SettingsModel::changed, this, [this, &settings](const QString &key) {
        if (key == QLatin1String(SettingsKey::experimentalFeaturesEnabled)) {
            const QSignalBlocker quiet(m_experimental);
            m_experimental->setChecked(settings.experimentalFeaturesEnabled());
        }
    });
    showPanel(false);
}

void AboutPage::showPanel(bool shown)
{
    m_panelShown = shown;
    auto *layers = static_cast<QStackedWidget *>(m_main->parentWidget());
    layers->setCurrentWidget(shown ? m_panel : m_main);
    if (shown) {
        m_message->setText(currentMessage());
        // Fades in.
        auto *fade = new QGraphicsOpacityEffect(m_panel);
        m_panel->setGraphicsEffect(fade);
        auto *animation = new QPropertyAnimation(fade, "opacity", m_panel);
        animation->setDuration(kCloseMs);
        animation->setStartValue(0.0);
        animation->setEndValue(1.0);
        connect(animation, &QPropertyAnimation::finished, m_panel, [this] { m_panel->setGraphicsEffect(nullptr); });
        animation->start(QAbstractAnimation::DeleteWhenStopped);
        m_back->setFocus();
    }
}

void AboutPage::iconClicked()
{
    if (m_panelShown)
        return;
    ++m_clicks;
    if (m_clicks >= kClicksToReveal)
        reveal();
}

void AboutPage::reveal()
{
    m_shuffled = messages();
    std::shuffle(m_shuffled.begin(), m_shuffled.end(), *QRandomGenerator::global());
    m_icon->spin(kRevealSpinMs);
    m_panelIcon->resetRotation(0);
    m_panelIcon->spin(kRevealSpinMs);
    showPanel(true);
}

void AboutPage::panelIconClicked()
{
    ++m_clicks;
    m_panelIcon->spin(kPanelSpinMs);
    m_message->setText(currentMessage());
}

QString AboutPage::currentMessage() const
{
    if (m_shuffled.isEmpty())
        return messages().first();
    const int at = std::max(0, int((m_clicks - kClicksToReveal) % m_shuffled.size()));
    return m_shuffled[at];
}

void AboutPage::closePanel()
{
    m_clicks = 0;
    m_icon->resetRotation(kCloseMs);
    m_panelIcon->resetRotation(kCloseMs);
    showPanel(false);
}

void AboutPage::keyPressEvent(QKeyEvent *event)
{
    // Escape without modifiers closes the panel, from whichever of its controls has the focus.
    if (m_panelShown && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        closePanel();
    else
        QWidget::keyPressEvent(event);
}

void AboutPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Every visit starts over, without animation.
    m_clicks = 0;
    m_icon->resetRotation(0);
    m_panelIcon->resetRotation(0);
    showPanel(false);
}

} // namespace parlix::ui
