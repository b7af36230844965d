#include "app/window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/output_paths.h"
#include "app/window/about_box.h"
#include "app/window/app_icons.h"
#include "app/window/choosers.h"
#include "app/window/link_label.h"
#include "app/window/options_dialog.h"
#include "app/window/product.h"
#include "convert/settings.h"

namespace qm {

namespace {

std::string local(const QString& s) { return s.toLocal8Bit().toStdString(); }
QString fromLocal(const std::string& s) { return QString::fromLocal8Bit(s); }

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A dropped or chosen file the queue takes: an existing file whose name ends in .pdf.
bool isPdfFile(const QString& path) {
    QFileInfo info(path);
    return info.isFile() && info.suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0;
}

}  // namespace

MainWindow::MainWindow(Choosers* choosers, WorkerFlags flags, QWidget* parent)
    : QMainWindow(parent), choosers_(choosers), worker_(observer_, flags) {
    if (!choosers_) {
        ownChoosers_ = std::make_unique<DesktopChoosers>();
        choosers_ = ownChoosers_.get();
    }
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);
    buildControls();
    buildMenu();
    connectWorker();
    showOutputKind(Settings::readInt(Setting::convertType) == kConvertToBmp ? kConvertToBmp : kConvertToHtml);
    if (Settings::readFlag(Setting::windowTopMost)) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        topMostAction_->setChecked(true);
    }
    setBusy(false);
}

bool MainWindow::startWorker() { return worker_.start(); }

MainWindow::~MainWindow() {
    // A question the worker waits on must not keep it from ending.
    observer_.cancelQuestions();
    worker_.shutdown();
}

void MainWindow::buildControls() {
    sourcePath_ = named(new QLineEdit, "sourcePath");
    sourcePath_->setReadOnly(true);
    sourcePath_->setMinimumWidth(380);
    sourcePath_->setPlaceholderText(QStringLiteral("Drop PDF files here, or choose Open..."));
    fileSize_ = named(new QLabel, "fileSize");
    version_ = named(new QLabel, "pdfVersion");
    pageOfPages_ = named(new QLabel, "pageOfPages");
    filesLeft_ = named(new QLabel, "filesLeft");
    for (QLabel* value : {fileSize_, version_, pageOfPages_, filesLeft_}) {
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("page 99999 of 99999")));
    }

    auto* info = new QGroupBox(QStringLiteral("PDF Infomation"));
    auto* grid = new QGridLayout(info);
    grid->addWidget(new QLabel(QStringLiteral("PDF Name:")), 0, 0);
    grid->addWidget(sourcePath_, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("PDF Size:")), 1, 0);
    grid->addWidget(fileSize_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Version:")), 1, 2);
    grid->addWidget(version_, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Total Pages:")), 2, 0);
    grid->addWidget(pageOfPages_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Total Files:")), 2, 2);
    grid->addWidget(filesLeft_, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    pageProgress_ = named(new QProgressBar, "pageProgress");
    fileProgress_ = named(new QProgressBar, "fileProgress");
    for (QProgressBar* bar : {pageProgress_, fileProgress_}) bar->setRange(0, 100);
    pageProgress_->setValue(0);
    // The share of the queue is kept up to date but not shown: the files-left text says it.
    fileProgress_->hide();
    auto* progress = new QGroupBox(QStringLiteral("Progress"));
    auto* progressLayout = new QHBoxLayout(progress);
    progressLayout->addWidget(new QLabel(QStringLiteral("Current:")));
    progressLayout->addWidget(pageProgress_, 1);
    progressLayout->addWidget(fileProgress_);

    openButton_ = named(new QPushButton(buttonIcon(ButtonPicture::open), QStringLiteral("&Open...")), "openButton");
    optionsButton_ =
        named(new QPushButton(buttonIcon(ButtonPicture::options), QStringLiteral("&Options...")), "optionsButton");
    pauseButton_ = named(new QPushButton(buttonIcon(ButtonPicture::pause), QStringLiteral("Pause")), "pauseButton");
    stopButton_ = named(new QPushButton(buttonIcon(ButtonPicture::close), QStringLiteral("Close")), "stopButton");
    connect(openButton_, &QPushButton::clicked, this, [this] { addFiles(); });
    connect(optionsButton_, &QPushButton::clicked, this, [this] { openOptions(); });
    connect(pauseButton_, &QPushButton::clicked, this, [this] { togglePause(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { stopOrClose(); });
    // Pause and Stop change their text; keeping their width steady keeps the row still.
    const int wide = fontMetrics().horizontalAdvance(QStringLiteral("Resume")) + 48;
    for (QPushButton* b : {pauseButton_, stopButton_}) b->setMinimumWidth(wide);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openButton_);
    buttons->addWidget(optionsButton_);
    buttons->addStretch(1);
    buttons->addWidget(pauseButton_);
    buttons->addWidget(stopButton_);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(info);
    layout->addWidget(progress);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setCentralWidget(central);
}

void MainWindow::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    openAction_ = file->addAction(QStringLiteral("&Open..."), this, [this] { addFiles(); });
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    optionsAction_ = file->addAction(QStringLiteral("Op&tions..."), this, [this] { openOptions(); });
    optionsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    file->addSeparator();
    QMenu* kind = file->addMenu(QStringLiteral("Output &Kind"));
    auto* kinds = new QActionGroup(this);
    htmlAction_ = kind->addAction(QStringLiteral("&HTML Page Sets"), this, [this] { setOutputKind(kConvertToHtml); });
    bmpAction_ = kind->addAction(QStringLiteral("&BMP Images"), this, [this] { setOutputKind(kConvertToBmp); });
    for (QAction* a : {htmlAction_, bmpAction_}) {
        a->setCheckable(true);
        kinds->addAction(a);
    }
    topMostAction_ = file->addAction(QStringLiteral("Always on To&p"));
    topMostAction_->setObjectName(QStringLiteral("topMostAction"));
    topMostAction_->setCheckable(true);
    topMostAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    connect(topMostAction_, &QAction::triggered, this, [this](bool on) { setAlwaysOnTop(on); });
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("&Exit"), this, [this] { close(); });
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* contents = help->addAction(QStringLiteral("&Contents..."), this, [this] { openUserGuide(); });
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    help->addAction(QStringLiteral("&Technical support ..."), this,
                    [this] { openThroughDesktop(this, QUrl(QString::fromLatin1(kSupportMail)), opener_); });
    help->addSeparator();
    help->addAction(QStringLiteral("&About %1...").arg(QString::fromLatin1(kProductName)), this, [this] { showAbout(); });
}

void MainWindow::connectWorker() {
    observer_.overwriteQuestion = [this](const QString&, const QString& question) { return askOverwrite(question); };
    observer_.outputPathQuestion = [this](const QString& output, bool bmp) { return askOutputPath(output, bmp); };
    connect(&observer_, &WindowObserver::busyChangedSignal, this, [this](bool busy) { setBusy(busy); });
    connect(&observer_, &WindowObserver::fileStartedSignal, sourcePath_, &QLineEdit::setText);
    connect(&observer_, &WindowObserver::fileSizeTextSignal, fileSize_, &QLabel::setText);
    connect(&observer_, &WindowObserver::pdfVersionTextSignal, version_, &QLabel::setText);
    connect(&observer_, &WindowObserver::pageTextSignal, pageOfPages_, &QLabel::setText);
    connect(&observer_, &WindowObserver::filesLeftTextSignal, filesLeft_, &QLabel::setText);
    connect(&observer_, &WindowObserver::fileProgressSignal, fileProgress_, &QProgressBar::setValue);
    connect(&observer_, &WindowObserver::pageProgressSignal, pageProgress_, &QProgressBar::setValue);
    connect(&observer_, &WindowObserver::messageSignal, this, [this](const QString&, const QString& text) {
        showInTurn([this, text] { showMessage(text); });
    });
    connect(&observer_, &WindowObserver::fileFinishedSignal, this, [this](const QString& source, const QString&, int outcome) {
        if (static_cast<FileOutcome>(outcome) == FileOutcome::converted) {
            ++runConverted_;
        } else {
            runNotConverted_.push_back(source);
            anyFailed_ = true;
        }
    });
    connect(&observer_, &WindowObserver::queueFinishedSignal, this, [this] {
        // The counts belong to this run; the next run starts from nothing.
        const int converted = runConverted_;
        const QStringList notConverted = runNotConverted_;
        runConverted_ = 0;
        runNotConverted_.clear();
        showInTurn([this, converted, notConverted] { queueFinished(converted, notConverted); });
    });
}

void MainWindow::setBusy(bool busy) {
    busy_ = busy;
    if (!busy) paused_ = false;
    stopButton_->setText(busy ? QStringLiteral("Stop") : QStringLiteral("Close"));
    stopButton_->setIcon(buttonIcon(busy ? ButtonPicture::stop : ButtonPicture::close));
    stopButton_->setEnabled(true);
    pauseButton_->setText(QStringLiteral("Pause"));
    pauseButton_->setIcon(buttonIcon(ButtonPicture::pause));
    pauseButton_->setEnabled(busy);
    for (QWidget* w : {static_cast<QWidget*>(openButton_), static_cast<QWidget*>(optionsButton_)}) w->setEnabled(!busy);
    openAction_->setEnabled(!busy);
    optionsAction_->setEnabled(!busy);
    // The output kind is read when a file starts; changing it mid-run would not apply.
    htmlAction_->setEnabled(!busy);
    bmpAction_->setEnabled(!busy);
    if (!busy) clearTexts();
    updateCursor();
}

void MainWindow::updateCursor() {
    if (busy_ && !paused_) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::clearTexts() {
    for (QLabel* label : {fileSize_, version_, pageOfPages_, filesLeft_}) label->clear();
    sourcePath_->clear();
    fileProgress_->setValue(0);
}

void MainWindow::addFiles() {
    if (busy_) return;
    const bool bmp = Settings::readInt(Setting::convertType) == kConvertToBmp;
    QStringList files = choosers_->openPdfFiles(this, fromLocal(Settings::readText(Setting::lastOpenPath)));
    if (files.isEmpty()) return;
    if (files.size() == 1) {
        const QFileInfo pdf(files.constFirst());
        Settings::write(Setting::lastOpenPath, local(pdf.absolutePath()));
        QString chosen = choosers_->saveOutputFile(this, pdf.absolutePath() + QLatin1Char('/') + pdf.completeBaseName(), bmp);
        if (chosen.isEmpty()) return;
        enqueue({local(pdf.absoluteFilePath()), siteOutputForChosenFile(local(chosen)),
                 bmp ? bmpStemForChosenFile(local(chosen)) : std::string()});
        return;
    }
    QString folder = choosers_->chooseFolder(this, fromLocal(Settings::readText(Setting::saveDirectory)));
    if (folder.isEmpty()) return;
    Settings::write(Setting::saveDirectory, local(folder));
    Settings::write(Setting::lastOpenPath, local(QFileInfo(files.constFirst()).absolutePath()));
    for (const QString& file : files) {
        const QString pdf = QFileInfo(file).absoluteFilePath();
        enqueue({local(pdf), siteOutputInFolder(local(folder), local(pdf)),
                 bmp ? bmpStemInFolder(local(folder), local(pdf)) : std::string()});
    }
}

void MainWindow::enqueue(const QString& pdf, const QString& output) { enqueue({local(pdf), local(output), {}}); }

void MainWindow::enqueue(const ConversionJob& job) {
    worker_.enqueue(job);
    emit jobQueued(fromLocal(job.source), fromLocal(job.output));
}

int MainWindow::queueDropped(const QList<QUrl>& urls) {
    int queued = 0;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile() || !isPdfFile(url.toLocalFile())) continue;
        const QString pdf = QFileInfo(url.toLocalFile()).absoluteFilePath();
        enqueue(pdf, fromLocal(siteOutputBeside(local(pdf))));
        ++queued;
    }
    return queued;
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (!mime->hasUrls()) return;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile() && isPdfFile(url.toLocalFile())) {
            event->acceptProposedAction();
            return;
        }
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (event->mimeData()->hasUrls() && queueDropped(event->mimeData()->urls()) > 0) event->acceptProposedAction();
}

void MainWindow::openOptions() {
    if (busy_) return;
    OptionsDialog dialog(*choosers_, this);
    dialog.exec();
}

void MainWindow::togglePause() {
    if (!busy_) return;
    paused_ = !paused_;
    if (paused_) {
        worker_.pause();
    } else {
        worker_.resume();
    }
    pauseButton_->setText(paused_ ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    pauseButton_->setIcon(buttonIcon(paused_ ? ButtonPicture::resume : ButtonPicture::pause));
    stopButton_->setEnabled(!paused_);
    updateCursor();
}

void MainWindow::stopOrClose() {
    if (!busy_) {
        close();
        return;
    }
    worker_.stop();
}

void MainWindow::setAlwaysOnTop(bool on) {
    topMostAction_->setChecked(on);
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing a window's flags hides it until it is shown again.
    if (visible) show();
    Settings::write(Setting::windowTopMost, on ? 1 : 0);
}

void MainWindow::showOutputKind(int convertType) {
    (convertType == kConvertToBmp ? bmpAction_ : htmlAction_)->setChecked(true);
    setWindowTitle(windowTitleFor(convertType));
}

void MainWindow::setOutputKind(int convertType) {
    showOutputKind(convertType);
    // The user's choice holds from now on, also over --bmp given for this run.
    Settings::clearOverride(Setting::convertType);
    Settings::write(Setting::convertType, convertType);
}

void MainWindow::openUserGuide() { openThroughDesktop(this, QUrl::fromLocalFile(userGuidePath()), opener_); }

void MainWindow::showAbout() {
    AboutBox about(this);
    about.exec();
}

static QString finishedText(int converted, const QStringList& notConverted) {
    QString text = QStringLiteral("Convert Finished!");
    if (notConverted.isEmpty()) return text;
    text += QStringLiteral("\n\n%1 file(s) converted, %2 not converted:").arg(converted).arg(notConverted.size());
    for (const QString& file : notConverted) text += QLatin1Char('\n') + file;
    return text;
}

void MainWindow::queueFinished(int converted, const QStringList& notConverted) {
    if (Settings::readFlag(Setting::exitAfterConverting)) {
        close();
        return;
    }
    QMessageBox box(notConverted.isEmpty() ? QMessageBox::Question : QMessageBox::Warning,
                    QStringLiteral("Confirm"), finishedText(converted, notConverted), QMessageBox::Ok, this);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

OverwriteAnswer MainWindow::askOverwrite(const QString& question) {
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kProductName), question,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    switch (box.exec()) {
    case QMessageBox::Yes: return OverwriteAnswer::yes;
    case QMessageBox::No: return OverwriteAnswer::no;
    default: return OverwriteAnswer::cancel;
    }
}

QString MainWindow::askOutputPath(const QString& output, bool bmp) { return choosers_->saveOutputFile(this, output, bmp); }

void MainWindow::showMessage(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProductName), text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::showInTurn(std::function<void()> box) {
    // The worker does not wait for its notices to be read, so a second one can arrive while
    // the first is still on screen; stacking it on top would show "Convert Finished!" above
    // the warning about a file of the same run. Notices are shown one after the other instead.
    waitingNotices_.push_back(std::move(box));
    if (showingNotice_) return;
    showingNotice_ = true;
    while (!waitingNotices_.empty()) {
        std::function<void()> next = std::move(waitingNotices_.front());
        waitingNotices_.pop_front();
        next();
    }
    showingNotice_ = false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    observer_.cancelQuestions();
    worker_.shutdown();
    event->accept();
}

}  // namespace qm
