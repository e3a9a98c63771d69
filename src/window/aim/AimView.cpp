#include "AimView.h"

#include "QrCode.h"
#include "core/aim/ToneQueue.h"
#include "core/reading/Numbers.h"
#include "core/sharing/SharingRules.h"
#include "monitor/Monitor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <arpa/inet.h>
#include <functional>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace {

// The phone page's port when Sharing.ini fixes none.
constexpr quint16 DefaultAimPort = 9120;

// This machine's IPv4 addresses a phone on the LAN may reach, loopback last.
QStringList lanAddresses()
{
    QStringList found;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (const ifaddrs *at = list; at; at = at->ifa_next) {
            if (!at->ifa_addr || at->ifa_addr->sa_family != AF_INET)
                continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto *in = reinterpret_cast<const sockaddr_in *>(at->ifa_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) && !QByteArray(text).startsWith("127."))
                found << QString::fromLatin1(text);
        }
        ::freeifaddrs(list);
    }
    return found << QStringLiteral("127.0.0.1");
}

} // namespace

// A bar from 0 to 100, green above the threshold and red at or below it,
// with the threshold marked; empty while there is no reading.
class AimGauge : public QWidget {
public:
    using QWidget::QWidget;
    void setReading(std::optional<double> value, double threshold)
    {
        m_value = value;
        m_threshold = threshold;
        update();
    }
    QSize sizeHint() const override { return {300, fontMetrics().height() * 2}; }
    QSize minimumSizeHint() const override { return {120, fontMetrics().height()}; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect r = rect().adjusted(1, 1, -1, -1);
        p.fillRect(r, palette().color(QPalette::Base));
        const auto at = [&r](double v) { return r.left() + int(r.width() * std::clamp(v, 0.0, 100.0) / 100); };
        if (m_value)
            p.fillRect(QRect(r.topLeft(), QPoint(at(*m_value), r.bottom())),
                       *m_value <= m_threshold ? QColor(255, 0, 0) : QColor(0, 192, 0));
        p.setPen(QPen(palette().color(QPalette::Text), 3));
        p.drawLine(at(m_threshold), r.top(), at(m_threshold), r.bottom());
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
    }

private:
    std::optional<double> m_value;
    double m_threshold = 50;
};

AimView::AimView(Monitor &monitor, double threshold, QWidget *parent)
    : QDialog(parent)
    , m_monitor(monitor)
    , m_threshold(threshold)
    , m_settings(SharingSettings::load())
    , m_number(new QLabel(QStringLiteral("No reading yet"), this))
    , m_trend(new QLabel(talvor::trendArrow(talvor::AimTrack::Trend::Steady), this))
    , m_peak(new QLabel(this))
    , m_lowest(new QLabel(this))
    , m_why(new QLabel(this))
    , m_gauge(new AimGauge(this))
    , m_interval(new QDoubleSpinBox(this))
    , m_toneBox(new QCheckBox(QStringLiteral("&Tone"), this))
    , m_floor(new QSpinBox(this))
    , m_phoneBox(new QCheckBox(QStringLiteral("Show on &phone"), this))
    , m_address(new QComboBox(this))
    , m_url(new QLabel(this))
    , m_qr(new QLabel(this))
    , m_problem(new QLabel(this))
{
    setObjectName(QStringLiteral("AimView"));
    setWindowTitle(QStringLiteral("Aim the Dish"));
    m_number->setObjectName(QStringLiteral("AimNumber"));
    m_number->setAlignment(Qt::AlignCenter);
    m_number->setMinimumHeight(80);
    // Its font follows the room it is given, never the other way round.
    m_number->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_number->setAccessibleName(QStringLiteral("Signal strength"));
    // Sized with the number in fitNumber(), so that they read from as far.
    m_trend->setAccessibleName(QStringLiteral("Trend"));
    m_why->setAlignment(Qt::AlignCenter);
    m_why->setAccessibleName(QStringLiteral("Why there is no reading"));
    m_why->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    // Their fonts follow the window; their text never widens it.
    for (QLabel *label : {m_peak, m_lowest})
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_gauge->setAccessibleName(QStringLiteral("Signal strength against the threshold"));

    m_interval->setRange(0.1, 2.0);
    m_interval->setSingleStep(0.1);
    m_interval->setDecimals(1);
    m_interval->setSuffix(QStringLiteral(" s"));
    m_interval->setValue(m_settings.aimTenths / 10.0);
    m_floor->setRange(0, 100);
    m_floor->setValue(int(m_settings.aimFloor));
    m_floor->setToolTip(QStringLiteral("The tone is silent below this reading"));
    auto *reset = new QPushButton(QStringLiteral("&Reset"), this);
    reset->setToolTip(QStringLiteral("Start the peak and the lowest again (R)"));
    m_url->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_url->setObjectName(QStringLiteral("AimUrl"));
    // Empty until the phone page is served, yet it takes focus for copying.
    m_url->setAccessibleName(QStringLiteral("The phone page's address"));
    m_qr->setAccessibleName(QStringLiteral("QR code of the phone page's address"));
    m_problem->setWordWrap(true);
    if (m_settings.aimListen.isEmpty())
        m_address->addItems(lanAddresses());
    else
        m_address->addItem(m_settings.aimListen);
    m_address->setEnabled(m_settings.aimListen.isEmpty());
    m_address->setAccessibleName(QStringLiteral("Address the phone page is served on"));

    auto *figures = new QHBoxLayout;
    figures->addWidget(m_trend);
    figures->addWidget(m_peak, 1);
    figures->addWidget(m_lowest, 1);
    auto *controls = new QGridLayout;
    auto *intervalLabel = new QLabel(QStringLiteral("Poll &every"), this);
    intervalLabel->setBuddy(m_interval);
    auto *floorLabel = new QLabel(QStringLiteral("silent &below"), this);
    floorLabel->setBuddy(m_floor);
    controls->addWidget(intervalLabel, 0, 0);
    controls->addWidget(m_interval, 0, 1);
    controls->addWidget(m_toneBox, 0, 2);
    controls->addWidget(floorLabel, 0, 3);
    controls->addWidget(m_floor, 0, 4);
    controls->addWidget(reset, 0, 5);
    controls->addWidget(m_phoneBox, 1, 0, 1, 2);
    controls->addWidget(m_address, 1, 2, 1, 4);
    auto *settings = new QVBoxLayout;
    settings->addLayout(controls);
    settings->addWidget(m_url);
    settings->addWidget(m_problem);
    settings->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(settings, 1);
    bottom->addWidget(m_qr);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_number, 1);
    // Always in the layout, one line high, so that a reason appearing moves nothing.
    layout->addWidget(m_why);
    layout->addLayout(figures);
    layout->addWidget(m_gauge);
    layout->addLayout(bottom);
    m_problem->hide();
    resize(720, 560);

    connect(reset, &QPushButton::clicked, this, &AimView::reset);
    // The keys of the view work wherever the focus is, a box that would
    // take the letter included.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    connect(m_interval, &QDoubleSpinBox::valueChanged, this, [this](double seconds) {
        m_settings.aimTenths = talvor::aimTenths(seconds * 10);
        if (m_aiming)
            m_monitor.setAimPace(m_settings.aimTenths * 100);
        saveSettings();
    });
    connect(m_floor, &QSpinBox::valueChanged, this, [this](int floor) {
        m_settings.aimFloor = floor;
        saveSettings();
        showFigures();
    });
    connect(m_toneBox, &QCheckBox::toggled, this, &AimView::setTone);
    connect(m_phoneBox, &QCheckBox::toggled, this, &AimView::setPhone);
    connect(m_address, &QComboBox::currentTextChanged, this, [this] {
        if (m_server.isListening())
            startPhone();
    });
    connect(&m_monitor.events(), &talvor::SignalEvents::readingTaken, this,
            [this](double value, double, const QDateTime &at) { reading(value, at); });
    connect(&m_monitor.events(), &talvor::SignalEvents::pollFailed, this,
            [this](const QString &reason) { noReading(reason); });
    // A modem that holds a request shows as waiting, its age counting up.
    m_age.setInterval(1000);
    connect(&m_age, &QTimer::timeout, this, &AimView::showFigures);
    connect(&m_monitor, &Monitor::waitingChanged, this, [this] {
        if (m_monitor.waitingSince())
            m_age.start();
        else
            m_age.stop();
        showFigures();
    });
}

AimView::~AimView()
{
    // What the monitor says from here on is for nobody: this view is going.
    disconnect(&m_monitor, nullptr, this, nullptr);
    if (m_aiming)
        m_monitor.setAimPace(std::nullopt);
    m_monitor.sharing().setAimUrl({});
}

void AimView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (std::exchange(m_aiming, true))
        return;
    // The user at the dish sets the pace: no poll comes later for a failure.
    m_monitor.setAimPace(m_settings.aimTenths * 100);
    showFigures();
}

void AimView::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!std::exchange(m_aiming, false))
        return;
    // Phone showing and the tone end with the view.
    m_phoneBox->setChecked(false);
    m_toneBox->setChecked(false);
    m_monitor.setAimPace(std::nullopt);
}

void AimView::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    fitNumber();
}

void AimView::setThreshold(double threshold)
{
    m_threshold = threshold;
    showFigures();
}

void AimView::reading(double value, const QDateTime &at)
{
    m_track.reading(value, at);
    m_readingAt = at;
    showFigures();
    if (const auto pitch = talvor::aimPitch(value, m_settings.aimFloor); pitch && m_toneBox->isChecked())
        m_tone.play(
            talvor::renderBeep(*pitch, ToneOutput::SampleRate, talvor::beepMilliseconds(m_settings.aimTenths * 100)));
}

void AimView::noReading(const QString &reason)
{
    m_track.noReading(reason);
    showFigures();
}

void AimView::reset()
{
    m_track.reset();
    showFigures();
}

void AimView::showFigures()
{
    // Closed, the view only keeps count: no reading pays for drawing it.
    if (!m_aiming)
        return;
    const auto shown = [](const std::optional<double> &v) {
        return v ? talvor::shortestText(*v) : QStringLiteral("\u2013");
    };
    const std::optional<int> waiting = waitingSeconds();
    // An old number is not shown as if it were the dish's now.
    const std::optional<double> last = waiting ? std::nullopt : m_track.last();
    m_number->setText(waiting    ? QStringLiteral("waiting %1 s").arg(*waiting)
                          : last ? talvor::shortestText(*last)
                                 : QStringLiteral("No reading"));
    m_number->setToolTip(m_track.reason());
    m_why->setText(last || waiting ? QString() : m_track.reason());
    QPalette colours = palette();
    if (last && *last <= m_threshold)
        colours.setColor(QPalette::WindowText, QColor(220, 0, 0));
    m_number->setPalette(colours);
    m_trend->setText(talvor::trendArrow(m_track.trend()));
    m_peak->setText(m_track.peak()
                        ? QStringLiteral("Peak %1 at %2")
                              .arg(shown(m_track.peak()), m_track.peakAt().time().toString(QStringLiteral("HH:mm:ss")))
                        : QStringLiteral("Peak \u2013"));
    m_lowest->setText(QStringLiteral("Lowest %1").arg(shown(m_track.lowest())));
    m_gauge->setReading(last, m_threshold);
    fitNumber();
    publish();
}

void AimView::publish()
{
    if (m_server.isListening())
        m_server.publish(talvor::aimJson(m_track, m_threshold, m_settings.aimFloor, waitingSeconds()));
}

std::optional<int> AimView::waitingSeconds() const
{
    const auto since = m_monitor.waitingSince();
    if (!since)
        return std::nullopt;
    const QDateTime from = m_readingAt.isValid() ? m_readingAt : *since;
    return int(from.secsTo(QDateTime::currentDateTime()));
}

void AimView::fitNumber()
{
    // Peak, lowest, the arrow and the reason first: from the window's size
    // alone (never from what they say, so that nothing moves when a text
    // changes), as large as peak and lowest fit side by side, and never
    // smaller than the window's own text.
    QFont figures = this->font();
    const int least = QFontInfo(figures).pixelSize();
    figures.setPixelSize(100);
    const QFontMetrics at100(figures);
    const int longest = qMax(at100.horizontalAdvance(QStringLiteral("Peak 100 at 00:00:00")),
                             at100.horizontalAdvance(QStringLiteral("Lowest 100")));
    const int each = (width() - at100.horizontalAdvance(talvor::trendArrow(talvor::AimTrack::Trend::Up))) / 2 - 24;
    const int figuresSize = qMax(least, qMin(height() / 10, each * 100 / qMax(1, longest)));
    figures.setPixelSize(figuresSize);
    for (QLabel *label : {m_peak, m_lowest, m_trend, m_why})
        label->setFont(figures);
    m_why->setFixedHeight(QFontMetrics(figures).height());

    // The number as large as the space allows, so that it reads from across
    // the roof, but never more than four times the figures under it.
    QFont font = m_number->font();
    const QString widest = m_number->text().size() > 5 ? m_number->text() : QStringLiteral("100");
    const QRect room = m_number->contentsRect();
    int size = qMin(4 * figuresSize, qMax(8, room.height() * 9 / 10));
    font.setPixelSize(size);
    const int wide = QFontMetrics(font).horizontalAdvance(widest);
    if (wide > room.width() * 95 / 100 && wide > 0)
        size = qMax(8, size * room.width() * 95 / 100 / wide);
    font.setPixelSize(size);
    font.setBold(true);
    m_number->setFont(font);
}

bool AimView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    std::function<void()> act;
    switch (key->key()) {
    case Qt::Key_R:
        act = [this] { reset(); };
        break;
    case Qt::Key_T:
        act = [this] { m_toneBox->toggle(); };
        break;
    case Qt::Key_Plus:
        act = [this] { m_interval->stepUp(); };
        break;
    case Qt::Key_Minus:
        act = [this] { m_interval->stepDown(); };
        break;
    case Qt::Key_Escape:
        act = [this] { close(); };
        break;
    default:
        return false;
    }
    // Claimed before the box sees it; done once, on the press.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        act();
    return event->type() == QEvent::KeyPress;
}

void AimView::setPhone(bool on)
{
    if (m_phoneBox->isChecked() != on)
        return m_phoneBox->setChecked(on);
    if (on) {
        startPhone();
        return;
    }
    m_server.stop();
    m_url->clear();
    m_qr->clear();
    m_problem->hide();
    m_monitor.sharing().setAimUrl({});
}

void AimView::startPhone()
{
    QString address = m_address->currentText();
    quint16 port = DefaultAimPort;
    if (const auto fixed = talvor::parseEndpoint(m_settings.aimListen)) {
        address = fixed->host;
        port = fixed->port;
    }
    const QString error = m_server.start(address, port);
    m_problem->setVisible(!error.isEmpty());
    m_problem->setText(error.isEmpty() ? QString() : QStringLiteral("The phone page cannot be served: %1").arg(error));
    m_url->setText(m_server.url());
    m_qr->setPixmap(QPixmap::fromImage(qrCode(m_server.url(), 3)));
    m_monitor.sharing().setAimUrl(m_server.url());
    publish();
}

void AimView::setTone(bool on)
{
    if (!on) {
        m_tone.close();
        return;
    }
    const QString error = m_tone.open();
    m_problem->setVisible(!error.isEmpty());
    m_problem->setText(error);
    if (!error.isEmpty()) {
        const QSignalBlocker quiet(m_toneBox);
        m_toneBox->setChecked(false);
    }
}

void AimView::saveSettings()
{
    if (const QString error = m_settings.saveAim(); !error.isEmpty()) {
        m_problem->setText(error);
        m_problem->show();
    }
}
