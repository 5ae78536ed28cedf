#pragma once
// One catalogue model in the Model tab: its name (in the accent colour when it is the selected
// model) over its description, its size, and the controls its state allows: Cancel while it
// downloads (with a progress bar and the whole percent below), Select/Selected and a delete
// button once its file is there, Download otherwise. The row only shows; the page acts.
#include "models/ModelCatalog.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace parlix::ui {

class ModelRow : public QWidget {
    Q_OBJECT
public:
    struct State {
        bool isDownloaded = false;
        bool isDownloading = false;
        bool isSelected = false;
        // 0 to 1; shown only while downloading.
        double progress = 0.0;
        // Another model is downloading: one download at a time.
        bool downloadBlocked = false;
        bool operator==(const State &) const = default;
    };

    explicit ModelRow(Constants::Models::ModelInfo model, QWidget *parent = nullptr);

    const Constants::Models::ModelInfo &model() const { return m_model; }
    const State &state() const { return m_state; }
    void setState(const State &state);

    QLabel *nameLabel() const { return m_name; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *selectButton() const { return m_select; }
    QToolButton *deleteButton() const { return m_delete; }
    QPushButton *downloadButton() const { return m_download; }
    QToolButton *downloadIconButton() const { return m_downloadIcon; }
    QProgressBar *progressBar() const { return m_progress; }
    QLabel *percentLabel() const { return m_percent; }

signals:
    void downloadRequested();
    void cancelRequested();
    void selectRequested();
    void deleteRequested();

private:
    Constants::Models::ModelInfo m_model;
    State m_state;
    QLabel *m_name;
    QPushButton *m_cancel;
    QPushButton *m_select;
    QToolButton *m_delete;
    QPushButton *m_download;
    QToolButton *m_downloadIcon;
    QWidget *m_progressRow;
    QProgressBar *m_progress;
    QLabel *m_percent;
};

} // namespace parlix::ui
