#include "monitor/linemonitorwindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "files/filestore.h"
#include "link/dialogs.h"
#include "monitor/linelog.h"

namespace eqset {

namespace monitor {

// The rows about one register address and/or of one verdict.
class LineFilter : public QSortFilterProxyModel {
 public:
  explicit LineFilter(LineLog& log, QObject* parent) : QSortFilterProxyModel(parent), log_(log) {
    setSourceModel(&log);
  }

  void set(std::optional<int> address, std::optional<Verdict> verdict) {
    address_ = address;
    verdict_ = verdict;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex&) const override {
    const LineRow& row = log_.row(sourceRow);
    if (address_ && !row.registers.contains(*address_)) return false;
    if (verdict_ && row.verdict != *verdict_) return false;
    return true;
  }

 private:
  LineLog& log_;
  std::optional<int> address_;
  std::optional<Verdict> verdict_;
};

// The table, with its pending layout done on demand.
class LineView : public QTableView {
 public:
  void settle() { executeDelayedItemsLayout(); }
};

}  // namespace monitor

namespace {

constexpr int kRowHeight = 20;
constexpr int kAllVerdicts = -1;

QPushButton* button(const QString& text, const char* name) {
  auto* b = new QPushButton(text);
  b->setObjectName(name);
  return b;
}

}  // namespace

LineMonitorWindow::LineMonitorWindow(Dialogs& dialogs, const FileStore& files, QWidget* parent,
                                     Qt::WindowFlags flags)
    : QWidget(parent, flags), dialogs_(dialogs), files_(files) {
  setObjectName("LineMonitorWindow");
  setWindowTitle(QStringLiteral("通讯监视"));
  // Closing the main window ends the program even while this one is open.
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(1000, 520);

  log_ = new monitor::LineLog(this);
  filter_ = new monitor::LineFilter(*log_, this);

  MonitorPause = button(QStringLiteral("暂停"), "MonitorPause");
  MonitorPause->setToolTip(QStringLiteral("暂停: 不再记录新的数据帧; 继续: 重新开始记录."));
  MonitorClear = button(QStringLiteral("清除"), "MonitorClear");
  MonitorClear->setToolTip(QStringLiteral("清除已记录的全部数据帧."));
  MonitorSave = button(QStringLiteral("保存"), "MonitorSave");
  MonitorSave->setToolTip(QStringLiteral("把已记录的全部数据帧保存为CSV文件."));
  MonitorAddress = new QLineEdit;
  MonitorAddress->setObjectName("MonitorAddress");
  MonitorAddress->setPlaceholderText(QStringLiteral("全部地址"));
  MonitorAddress->setValidator(new QIntValidator(0, 0xFFFF, MonitorAddress));
  MonitorAddress->setToolTip(QStringLiteral("只显示涉及该寄存器地址的数据帧(含其应答)."));
  MonitorAddress->setMaximumWidth(100);
  MonitorVerdict = new QComboBox;
  MonitorVerdict->setObjectName("MonitorVerdict");
  MonitorVerdict->addItem(QStringLiteral("全部结论"), kAllVerdicts);
  for (monitor::Verdict v : monitor::kReplyVerdicts)
    MonitorVerdict->addItem(monitor::verdictText(v), static_cast<int>(v));
  MonitorVerdict->setToolTip(QStringLiteral("只显示该结论的应答及其请求."));

  auto* tools = new QHBoxLayout;
  tools->addWidget(MonitorPause);
  tools->addWidget(MonitorClear);
  tools->addSpacing(16);
  tools->addWidget(new QLabel(QStringLiteral("寄存器地址:")));
  tools->addWidget(MonitorAddress);
  tools->addWidget(new QLabel(QStringLiteral("结论:")));
  tools->addWidget(MonitorVerdict);
  tools->addStretch(1);
  tools->addWidget(MonitorSave);

  view_ = new monitor::LineView;
  MonitorTable = view_;
  MonitorTable->setObjectName("MonitorTable");
  MonitorTable->setModel(filter_);
  MonitorTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  MonitorTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MonitorTable->setWordWrap(false);
  MonitorTable->setAlternatingRowColors(true);
  // Fixed row heights and column widths: nothing is measured per row, so
  // 20,000 rows cost no more to show than twenty.
  QHeaderView* rows = MonitorTable->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(kRowHeight);
  rows->hide();
  QHeaderView* columns = MonitorTable->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  const int widths[] = {96, 64, 44, 220, 460, 110};
  for (int c = 0; c < monitor::LineLog::kColumnCount; ++c)
    columns->resizeSection(c, widths[c]);
  columns->setSectionResizeMode(monitor::LineLog::kMeaning, QHeaderView::Stretch);

  MonitorStatus = new QLabel;
  MonitorStatus->setObjectName("MonitorStatus");

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(tools);
  layout->addWidget(MonitorTable, 1);
  layout->addWidget(MonitorStatus);

  connect(MonitorPause, &QPushButton::clicked, this, &LineMonitorWindow::togglePause);
  connect(MonitorClear, &QPushButton::clicked, this, [this] {
    log_->clear();
    saved_.clear();
    showStatus();
  });
  connect(MonitorSave, &QPushButton::clicked, this, &LineMonitorWindow::save);
  connect(MonitorAddress, &QLineEdit::textChanged, this, &LineMonitorWindow::applyFilter);
  connect(MonitorVerdict, &QComboBox::currentIndexChanged, this, &LineMonitorWindow::applyFilter);
  connect(MonitorTable->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { atBottom_ = value == MonitorTable->verticalScrollBar()->maximum(); });
  connect(log_, &monitor::LineLog::appended, this, &LineMonitorWindow::followNewRows);
  showStatus();
}

LineMonitorWindow::~LineMonitorWindow() {
  // The view and the filter let go of the log before the children go, in
  // whatever order that is.
  MonitorTable->setModel(nullptr);
  filter_->setSourceModel(nullptr);
}

WatchedPort::Listener LineMonitorWindow::listener() {
  return log_->listener();
}

QSortFilterProxyModel& LineMonitorWindow::shown() {
  return *filter_;
}

void LineMonitorWindow::showAndRaise() {
  showNormal();
  raise();
  activateWindow();
}

void LineMonitorWindow::togglePause() {
  const bool capturing = !log_->capturing();
  log_->setCapturing(capturing);
  MonitorPause->setText(capturing ? QStringLiteral("暂停") : QStringLiteral("继续"));
  showStatus();
}

void LineMonitorWindow::applyFilter() {
  bool ok = false;
  const int address = MonitorAddress->text().toInt(&ok);
  const int v = MonitorVerdict->currentData().toInt();
  filter_->set(ok ? std::optional<int>(address) : std::nullopt,
               v == kAllVerdicts
                   ? std::nullopt
                   : std::optional<monitor::Verdict>(static_cast<monitor::Verdict>(v)));
  showStatus();
}

void LineMonitorWindow::save() {
  Dialogs::FileRequest request;
  request.title = QStringLiteral("保存通讯记录");
  request.filter = QStringLiteral("CSV文件|*.csv");
  request.defaultSuffix = QStringLiteral("csv");
  request.save = true;
  request.folder = saveFolder_;
  if (!saveFolder_.isEmpty()) QDir().mkpath(saveFolder_);
  const QString path = dialogs_.file(request);
  if (path.isEmpty()) return;
  const QByteArray bytes = log_->csv();
  QString error;
  if (!files_.write(path, bytes, &error)) {
    dialogs_.message(QStringLiteral("文件 %1 没有保存，原有内容未改动：%2").arg(path, error),
                     QStringLiteral("提示"), Dialogs::Icon::Warning, Dialogs::Buttons::Ok);
    return;
  }
  saved_ =
      QStringLiteral("已保存 %1 帧到 %2").arg(log_->rowCount()).arg(QDir::toNativeSeparators(path));
  showStatus();
}

void LineMonitorWindow::followNewRows() {
  if (atBottom_) MonitorTable->scrollToBottom();
  showStatus();
  // Painted now, between transactions: left to itself, the repaint would wait
  // for the next transaction's first sleep, which lets paint requests through.
  if (isVisible()) {
    view_->settle();
    QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
  }
}

void LineMonitorWindow::showStatus() {
  QString text = QStringLiteral("共记录 %1 帧, 保留最近 %2 帧, 显示 %3 帧")
                     .arg(log_->recorded())
                     .arg(log_->rowCount())
                     .arg(filter_->rowCount());
  if (!log_->capturing()) text += QStringLiteral(" — 已暂停, 不记录新的数据帧");
  if (!saved_.isEmpty()) text += QStringLiteral(" — ") + saved_;
  MonitorStatus->setText(text);
}

}  // namespace eqset
