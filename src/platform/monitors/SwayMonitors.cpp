#include "SwayMonitors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <cmath>
#include <cstring>
#include <optional>

namespace platform {

namespace {

// sway speaks i3's IPC: "i3-ipc", the payload's length and the message type as 32-bit
// numbers in the machine's own order, then the payload.
constexpr char kMagic[] = "i3-ipc";
constexpr qsizetype kHeaderSize = 6 + 4 + 4;
constexpr quint32 kSubscribe = 2;
constexpr quint32 kGetOutputs = 3;
constexpr int kAnswerMs = 1000;

QByteArray message(quint32 type, const QByteArray& payload) {
    QByteArray bytes(kMagic, 6);
    const quint32 length = quint32(payload.size());
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    bytes.append(reinterpret_cast<const char*>(&type), 4);
    return bytes + payload;
}

// The payload of the first whole message in buffer, which loses it; nothing while the
// message is still arriving.
std::optional<QByteArray> takeMessage(QByteArray& buffer) {
    if (buffer.size() < kHeaderSize) return std::nullopt;
    quint32 length = 0;
    std::memcpy(&length, buffer.constData() + 6, 4);
    if (buffer.size() < kHeaderSize + qsizetype(length)) return std::nullopt;
    QByteArray payload = buffer.mid(kHeaderSize, length);
    buffer.remove(0, kHeaderSize + length);
    return payload;
}

bool turnedSideways(const QString& transform) {
    return transform.endsWith(QLatin1String("90")) || transform.endsWith(QLatin1String("270"));
}

}  // namespace

MonitorLayout swayOutputsLayout(const QByteArray& reply) {
    MonitorLayout layout;
    for (const QJsonValue value : QJsonDocument::fromJson(reply).array()) {
        const QJsonObject output = value.toObject();
        if (!output.value(QStringLiteral("active")).toBool()) continue;
        const QJsonObject rect = output.value(QStringLiteral("rect")).toObject();
        const QRect area(rect.value(QStringLiteral("x")).toInt(),
                         rect.value(QStringLiteral("y")).toInt(),
                         rect.value(QStringLiteral("width")).toInt(),
                         rect.value(QStringLiteral("height")).toInt());
        const QJsonObject mode = output.value(QStringLiteral("current_mode")).toObject();
        QSize pixels(mode.value(QStringLiteral("width")).toInt(),
                     mode.value(QStringLiteral("height")).toInt());
        if (turnedSideways(output.value(QStringLiteral("transform")).toString()))
            pixels.transpose();
        // Headless and virtual outputs may report no mode; their scale says the rest.
        if (pixels.isEmpty()) {
            const double scale = output.value(QStringLiteral("scale")).toDouble(1.0);
            pixels = QSize(int(std::lround(area.width() * scale)),
                           int(std::lround(area.height() * scale)));
        }
        layout.push_back({output.value(QStringLiteral("name")).toString(), area, pixels});
    }
    return orderedLayout(layout);
}

SwayMonitors::SwayMonitors(QString socketPath, QObject* parent)
    : MonitorSource(parent), socketPath_(std::move(socketPath)), events_(new QLocalSocket(this)) {
    connect(events_, &QLocalSocket::readyRead, this, &SwayMonitors::readEvents);
    events_->connectToServer(socketPath_);
    if (events_->waitForConnected(kAnswerMs))
        events_->write(message(kSubscribe, QByteArrayLiteral("[\"output\"]")));
}

SwayMonitors::~SwayMonitors() = default;

void SwayMonitors::readEvents() {
    pending_ += events_->readAll();
    bool any = false;
    // The first message is the answer to the subscription itself; every later one an event.
    while (takeMessage(pending_)) any = true;
    if (any) emit layoutMayHaveChanged();
}

MonitorLayout SwayMonitors::monitors() {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(kAnswerMs)) return {};
    socket.write(message(kGetOutputs, {}));
    QByteArray buffer;
    while (socket.waitForReadyRead(kAnswerMs)) {
        buffer += socket.readAll();
        if (const std::optional<QByteArray> reply = takeMessage(buffer))
            return swayOutputsLayout(*reply);
    }
    return {};
}

}  // namespace platform
