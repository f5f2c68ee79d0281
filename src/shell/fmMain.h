#pragma once

#include <QMainWindow>

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
};
