// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 LST File print utility developers

#pragma once

#include "cupsprinter.h"
#include "previewdocument.h"

#include <QMainWindow>

#include <memory>

class MessageBoxSink;
class MessageSink;
class PageView;
class QAction;
class QActionGroup;
class QDockWidget;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;
struct SendingStatus;

// The preview: the pages of the document that Print or --pdf makes of the list, as they are made,
// with the two choices as toggles (changing one makes the document again), the errors of the run
// with their records, and the document printed on a chosen printer or saved as a PDF as it is
// shown: the same bytes, no second run. It keeps nothing between starts.
class PreviewWindow final : public QMainWindow
{
    Q_OBJECT

public:
    PreviewWindow(PreviewData previewData, bool landscape, bool actualSize, QWidget *parent = nullptr);
    ~PreviewWindow() override;

    // Sends messages to sink instead of message boxes; nullptr goes back to message boxes.
    void setMessageSink(MessageSink *sink);

    [[nodiscard]] PreviewDocument &document() const { return *m_document; }
    [[nodiscard]] PageView &view() const { return *m_view; }

    // Writes the shown document to path as --pdf writes its file: an existing file is replaced in
    // one step by the whole document, and left as it was when that fails. false, with the error
    // given, when it could not be saved.
    bool saveAs(const QString &path);
    // Sends the shown document to a print queue or a printer's address, with job options (copies,
    // sides) and the checks and messages of --print. false, with the error given, when it was not
    // sent.
    bool printOn(const QString &printer, const Cups::JobOptions &options);

public slots:
    // The print dialog, then printOn.
    void print();
    // The file dialog, then saveAs.
    void save();

signals:
    // The document's run has ended (finished, stopped or failed).
    void documentEnded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void makeDocument();
    void pagesMade(int pages);
    void runEnded();
    void addError(const PreviewDocument::RecordError &error);
    void loadPages(int around);
    void pageShown(int index);
    void zoomShown(double zoom);
    void updateControls();
    void goToErrorPage(QTreeWidgetItem *item);
    // While the document is handed to a printer (a busy printer waited for, raster pages sent):
    // shows how it goes in the status bar, takes the input, and says whether to go on (not after
    // Cancel or the close box).
    bool followSending(const SendingStatus &status);
    [[nodiscard]] MessageSink &messages() const;

    PreviewData m_data;
    std::unique_ptr<PreviewDocument> m_document;
    PageView *const m_view;
    QActionGroup *const m_orientation;
    QActionGroup *const m_pictureSize;
    QAction *m_landscape = nullptr;
    QAction *m_actualSize = nullptr;
    QAction *m_first = nullptr;
    QAction *m_previous = nullptr;
    QAction *m_next = nullptr;
    QAction *m_last = nullptr;
    QAction *m_print = nullptr;
    QAction *m_save = nullptr;
    QSpinBox *const m_pageNumber;
    QLabel *const m_pageCount;
    QLabel *const m_zoomLevel;
    QLabel *const m_status;
    QProgressBar *const m_progress;
    QPushButton *const m_cancel;
    QDockWidget *const m_errorsPanel;
    QTreeWidget *const m_errors;
    const std::unique_ptr<MessageBoxSink> m_messageBoxes;
    MessageSink *m_sink = nullptr;
    bool m_sending = false;        // a document is being handed to a printer
    bool m_sendingStopped = false; // and Cancel or the close box asked to give it up
    int m_keepPage = 0; // the page to show again once the document made anew has it
};
