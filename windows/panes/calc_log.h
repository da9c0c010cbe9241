#pragma once
// The Log pane: the messages of the last calculation run, numbered, with
// "Error" lines in red and "Warning" lines in blue.

#include <QTreeWidget>

#include "numeric/status.h"

class CCalcLog : public QTreeWidget, public ILogReceiver {
    Q_OBJECT
public:
    enum { IdList = 1055 };

    explicit CCalcLog(QWidget* parent = nullptr);
    ~CCalcLog() override;

    void AddMessage(const CCalcMessage& message) override;
    void StartCalculation() override;

signals:
    // A message arrived; the host shows the pane when "LogPopup" asks for it.
    void messageAdded();
};
