#pragma once
// The main window on Qt: a skin over the window's logic (MainWindow). It builds the
// widgets (the grid pane and the chart pane on a splitter over the command bar), lays them
// out as designed, shows what the logic says, and forwards the operator's events to it.

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include "app/main_window.h"
#include "gui/qt/chart_view.h"
#include "gui/qt/data_grid.h"
#include "gui/qt/pane_splitter.h"
#include "gui/qt/qt_export_feedback.h"
#include "gui/qt/round_button.h"

namespace kelvatrix {

class QtMainWindow : public QWidget, private WindowSkin {
  Q_OBJECT

 public:
  QtMainWindow(StartupSettings settings, Dialogs& dialogs, MessageLoop& loop, HidBackend& backend,
               QWidget* parent = nullptr);
  ~QtMainWindow() override;

  MainWindow& Logic() { return logic_; }

  QLabel* Label1() const { return label1_; }
  QTimer* Timer1() const { return timer1_; }
  ChartView& Chart1() { return *chart1_; }
  ChartView& Chart2() { return *chart2_; }
  DataGrid& DataGrid1() { return *dataGrid1_; }
  PaneSplitter& Splitter1() { return *splitter1_; }
  RoundButton* DownloadButton() const { return roundButton1_; }
  RoundButton* SaveButton() const { return saveb_; }
  RoundButton* PrintDataButton() const { return printdatab_; }
  RoundButton* PrintGraphButton() const { return roundButton3_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // WindowSkin
  void SetStatusText(const std::string& text) override;
  void PlaceWindow() override;
  void RedrawButton(CommandButton button) override;
  std::string NowText() override;

  QWidget* BuildGridPane();
  QWidget* BuildChartPane();
  QWidget* BuildCommandBar();
  RoundButton* AddCommandButton(QWidget* bar, const QString& name, const QString& caption, const QRect& bounds);
  void SetTabOrder();

  QtExportFeedback exportFeedback_;
  MainWindow logic_;
  QLabel* label1_ = nullptr;
  QTimer* timer1_ = nullptr;
  RoundButton* roundButton1_ = nullptr;
  RoundButton* saveb_ = nullptr;
  RoundButton* printdatab_ = nullptr;
  RoundButton* roundButton3_ = nullptr;
  PaneSplitter* splitter1_ = nullptr;
  DataGrid* dataGrid1_ = nullptr;
  ChartView* chart1_ = nullptr;
  ChartView* chart2_ = nullptr;
};

}  // namespace kelvatrix
