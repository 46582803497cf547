#include "platform/BoardImage.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace platform {

namespace {

// Enough for the largest run with its grid and the grid drawn once more over
// its coins, so neither a run nor the activations after it grow the record.
constexpr std::size_t kLargestRun = 50'000;
constexpr std::size_t kGridLines = 10;
constexpr std::size_t kReservedOperations = kGridLines + kLargestRun + kGridLines;
constexpr std::size_t kReservedShapes = 64;
constexpr std::uint32_t kNone = ~0u;
// The nearest whole pixel, halves away from zero (as std::lround, without
// its call).
int RoundToPixel(double v)
{
    return v < 0 ? -int(0.5 - v) : int(v + 0.5);
}

// Below this many coins a second thread costs more than it saves.
constexpr std::size_t kCoinsForTwoThreads = 2'000;

// Sets a painter up the way the board draws: an aliased, flat-capped pen
// of the given width, copying its colour over what is there.
void UseBoardPen(QPainter& painter, QRgb color, int width)
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(QColor::fromRgb(color), width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
}

} // namespace

// The second render thread: started once, it renders the rows it is given
// while the caller renders the others, and waits for the next run.
struct BoardImage::Worker
{
    Worker() : thread([this] { Loop(); }) {}
    ~Worker()
    {
        {
            const std::lock_guard lock(mutex);
            quit = true;
        }
        changed.notify_all();
        thread.join();
    }
    void Start(const BoardImage* board, QRgb* bits, int top, int bottom)
    {
        const std::lock_guard lock(mutex);
        job = {board, bits, top, bottom};
        changed.notify_all();
    }
    void Wait()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return job.board == nullptr; });
    }
    void Loop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return quit || job.board != nullptr; });
            if (quit)
                return;
            lock.unlock();
            job.board->RenderRows(job.bits, job.top, job.bottom);
            lock.lock();
            job.board = nullptr;
            changed.notify_all();
        }
    }

    struct Job
    {
        const BoardImage* board = nullptr; // none: idle
        QRgb* bits = nullptr;
        int top = 0, bottom = 0;
    };
    std::mutex mutex;
    std::condition_variable changed;
    Job job;
    bool quit = false;
    std::thread thread; // last, so that it starts with everything above made
};

BoardImage::BoardImage(QSize deviceSize, int penWidth)
{
    m_operations.reserve(kReservedOperations);
    m_coins.reserve(kReservedOperations);
    m_shapes.reserve(kReservedShapes);
    m_shapeOutlines.reserve(kReservedShapes);
    Resize(deviceSize, penWidth);
}

void BoardImage::WarnNoMemory(const char* what)
{
    if (!std::exchange(m_warnedNoMemory, true))
        qWarning("pi-coins: the board is drawn incompletely: no memory for %s", what);
}

BoardImage::~BoardImage() = default;

void BoardImage::Resize(QSize deviceSize, int penWidth)
{
    if (deviceSize == m_deviceSize && penWidth == m_penWidth)
        return;
    m_deviceSize = deviceSize;
    m_penWidth = penWidth;
    m_image = QImage(deviceSize, QImage::Format_RGB32);
    m_outlines.clear();
    m_shapeOutlines.assign(m_shapes.size(), kNone);
    m_rendered = 0;
    m_blank = true;
}

QPoint BoardImage::ToDevice(double x, double y) const
{
    return {RoundToPixel(x * m_image.width() / kBoardUnits),
            RoundToPixel(y * m_image.height() / kBoardUnits)};
}

QRect BoardImage::EllipseRect(float x, float y, float radius, float aspect) const
{
    const double halfWidth = static_cast<double>(radius) * m_image.width() / kBoardUnits;
    const int a = RoundToPixel(halfWidth);
    const int b = RoundToPixel(std::abs(static_cast<double>(aspect)) * halfWidth);
    const QPoint centre = ToDevice(x, y);
    return {centre.x() - a, centre.y() - b, 2 * a, 2 * b};
}

void BoardImage::Cls()
{
    m_operations.clear(); // keeps its capacity
    m_shapes.clear();
    m_shapeOutlines.clear();
    m_rendered = 0;
    m_blank = true;
}

void BoardImage::Line(float x1, float y1, float x2, float y2, Rgb color)
{
    // A line drawn again with only lines of its colour since changes no
    // pixel (the grid, at every activation after the first): not recorded,
    // so the record does not grow however often the window is activated.
    for (auto i = m_operations.size();
         i > 0 && (m_operations[i - 1].shape & kLine) && m_operations[i - 1].color == color; --i) {
        const Operation& line = m_operations[i - 1];
        if (line.x == x1 && line.y == y1 && m_shapes[line.shape & ~kLine] == std::pair(x2, y2))
            return;
    }
    try {
        m_shapes.emplace_back(x2, y2);
        m_shapeOutlines.push_back(kNone);
        m_operations.push_back(
            {x1, y1, color, kLine | static_cast<std::uint32_t>(m_shapes.size() - 1)});
    } catch (const std::bad_alloc&) {
        m_shapes.resize(m_shapeOutlines.size());
        WarnNoMemory("a line");
    }
}

void BoardImage::Circle(float x, float y, float radius, Rgb color, float aspect)
{
    try {
        // A run draws one size of coin: its shape is kept once.
        if (m_shapes.empty() || m_operations.empty() ||
            m_shapes.back() != std::pair(radius, aspect) || (m_operations.back().shape & kLine)) {
            m_shapes.emplace_back(radius, aspect);
            m_shapeOutlines.push_back(kNone);
        }
        m_operations.push_back({x, y, color, static_cast<std::uint32_t>(m_shapes.size() - 1)});
    } catch (const std::bad_alloc&) {
        m_shapes.resize(m_shapeOutlines.size());
        WarnNoMemory("a coin");
    }
}

const QImage& BoardImage::Image()
{
    if (m_image.isNull()) {
        if (!std::exchange(m_warnedNoImage, true) && !m_deviceSize.isEmpty())
            qWarning(
                "pi-coins: the board cannot be drawn: no memory for an image of %d x %d pixels",
                m_deviceSize.width(), m_deviceSize.height());
        return m_image;
    }
    if (m_blank)
        m_image.fill(kBackground);
    m_blank = false;
    try {
        RenderRecord();
    } catch (const std::bad_alloc&) {
        WarnNoMemory("the coins' outlines");
    }
    m_rendered = m_operations.size();
    return m_image;
}

void BoardImage::RenderRecord()
{
    // Lines are drawn in turn by QPainter; the coins between them as one run.
    for (std::size_t i = m_rendered, end = m_operations.size(); i < end;) {
        std::size_t next = i;
        while (next < end && !(m_operations[next].shape & kLine))
            ++next;
        if (next > i)
            RenderCoins(i, next);
        if (next == end)
            break;
        QPainter painter(&m_image);
        for (; next < end && (m_operations[next].shape & kLine); ++next) {
            const Operation& line = m_operations[next];
            const auto [x2, y2] = m_shapes[line.shape & ~kLine];
            UseBoardPen(painter, line.color, m_penWidth);
            painter.drawLine(ToDevice(line.x, line.y), ToDevice(x2, y2));
        }
        i = next;
    }
}

void BoardImage::RenderCoins(std::size_t first, std::size_t last)
{
    const int width = m_image.width();
    const int height = m_image.height();
    m_coins.clear();
    for (std::size_t i = first; i < last; ++i) {
        const Operation& operation = m_operations[i];
        const QPoint centre = ToDevice(operation.x, operation.y);
        const std::uint32_t index = OutlineFor(operation.shape);
        const Outline& outline = m_outlines[index];
        const int rows = static_cast<int>(outline.rowStart.size()) - 1;
        const Coin coin{centre.x(),
                        centre.y(),
                        std::max(0, centre.y() + outline.top),
                        std::min(height - 1, centre.y() + outline.top + rows - 1),
                        operation.color,
                        index};
        if (coin.top <= coin.bottom && coin.x + outline.right >= 0 && coin.x + outline.left < width)
            m_coins.push_back(coin);
    }
    // Two threads, each on its own rows and taking the coins in their order,
    // give the same image in about two thirds of the time.
    // The image is detached from any copy here, before the threads share it.
    auto* const bits = reinterpret_cast<QRgb*>(m_image.bits());
    const bool longRun = m_coins.size() >= kCoinsForTwoThreads;
    if (longRun && !m_worker && !m_noWorker) {
        try {
            m_worker = std::make_unique<Worker>();
        } catch (const std::exception&) { // no thread, or no memory for one
            m_noWorker = true;            // rendered here instead, the same
        }
    }
    if (!longRun || !m_worker) {
        RenderRows(bits, 0, height - 1);
        return;
    }
    m_worker->Start(this, bits, height / 2, height - 1);
    RenderRows(bits, 0, height / 2 - 1);
    m_worker->Wait();
}

void BoardImage::RenderRows(QRgb* bits, int top, int bottom) const
{
    const int width = m_image.width();
    const qsizetype stride = m_image.bytesPerLine() / 4;
    for (const Coin& c : m_coins) {
        const Coin coin = c; // a local, so that the stores below cannot be taken to change it
        if (coin.bottom < top || coin.top > bottom)
            continue;
        const Outline& outline = m_outlines[coin.outline];
        const auto first = static_cast<std::size_t>(std::max(top, coin.top) - coin.y - outline.top);
        const auto last =
            static_cast<std::size_t>(std::min(bottom, coin.bottom) - coin.y - outline.top);
        QRgb* const centre = bits + coin.y * stride + coin.x;
        if (coin.x + outline.left >= 0 && coin.x + outline.right < width) {
            const std::int32_t* const offsets = outline.offsets.data();
            for (std::uint32_t i = outline.rowStart[first], end = outline.rowStart[last + 1];
                 i < end; ++i)
                centre[offsets[i]] = coin.color;
            continue;
        }
        for (std::size_t r = first; r <= last; ++r) { // clipped at the left or right edge
            QRgb* const row = centre + (static_cast<int>(r) + outline.top) * stride;
            for (std::uint32_t i = outline.rowStart[r]; i < outline.rowStart[r + 1]; ++i) {
                if (static_cast<unsigned>(coin.x + outline.dx[i]) < static_cast<unsigned>(width))
                    row[outline.dx[i]] = coin.color;
            }
        }
    }
}

std::uint32_t BoardImage::OutlineFor(std::uint32_t shape)
{
    if (m_shapeOutlines[shape] != kNone)
        return m_shapeOutlines[shape];
    const auto [radius, aspect] = m_shapes[shape];
    const QRect rect = EllipseRect(0, 0, radius, aspect);
    const int a = rect.width() / 2;
    const int b = rect.height() / 2;
    for (std::uint32_t i = 0; i < m_outlines.size(); ++i) {
        if (m_outlines[i].halfWidth == a && m_outlines[i].halfHeight == b)
            return m_shapeOutlines[shape] = i;
    }

    // Render the outline once with QPainter, at the same integer rectangle
    // and pen as a direct drawEllipse, and keep its pixels row by row.
    const int margin = m_penWidth + 2;
    const QPoint centre(margin + a, margin + b);
    QImage stamp(2 * centre.x() + 1, 2 * centre.y() + 1, QImage::Format_ARGB32);
    stamp.fill(Qt::transparent);
    {
        QPainter painter(&stamp);
        UseBoardPen(painter, qRgb(0, 0, 0), m_penWidth);
        painter.drawEllipse(QRect(centre.x() - a, centre.y() - b, 2 * a, 2 * b));
    }
    const qsizetype stride = m_image.bytesPerLine() / 4;
    Outline outline{a, b, 0, 0, 0, {}, {}, {}};
    for (int y = 0; y < stamp.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(stamp.constScanLine(y));
        for (int x = 0; x < stamp.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            if (outline.rowStart.empty()) // the first pixel
                outline.top = y - centre.y();
            while (outline.rowStart.size() <=
                   static_cast<std::size_t>(y - centre.y() - outline.top))
                outline.rowStart.push_back(static_cast<std::uint32_t>(outline.dx.size()));
            outline.dx.push_back(static_cast<std::int16_t>(x - centre.x()));
            outline.offsets.push_back(
                static_cast<std::int32_t>((y - centre.y()) * stride + x - centre.x()));
            outline.left = std::min(outline.left, x - centre.x());
            outline.right = std::max(outline.right, x - centre.x());
        }
    }
    outline.rowStart.push_back(static_cast<std::uint32_t>(outline.dx.size()));
    m_outlines.push_back(std::move(outline));
    return m_shapeOutlines[shape] = static_cast<std::uint32_t>(m_outlines.size() - 1);
}

} // namespace platform
