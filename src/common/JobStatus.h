#pragma once

#include <QObject>
#include <QString>

// The program-wide job state of status panel 1, plus the texts of panels 2
// and 3. Features ask isBusy() rather than reading a label.
class JobStatus : public QObject
{
    Q_OBJECT
public:
    enum State { Idle, Running, Stopping, Paused };
    Q_ENUM(State)

    explicit JobStatus(QObject *parent = nullptr)
        : QObject(parent)
    {
    }

    State state() const { return m_state; }
    // "进行中..." or "正在停止...": closing, sorting, menus and exports wait.
    bool isBusy() const { return m_state == Running || m_state == Stopping; }
    QString stateText() const { return textFor(m_state); }
    QString total() const { return m_total; }
    QString current() const { return m_current; }

    static QString textFor(State s);

    void setState(State s);
    void setTotal(const QString &text);
    void setCurrent(const QString &text);
    void clearProgress();

Q_SIGNALS:
    void changed();

private:
    State m_state = Idle;
    QString m_total;
    QString m_current;
};
