#include "platform/internal/async_select.h"

#include "platform/cwnd.h"

#include <QObject>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <unordered_map>
#include <utility>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// How long read notifications may follow one another before the event loop does its other work;
// the sockets watched for reads share it.
constexpr auto kReadBurst = std::chrono::microseconds(1000);
// Datagrams that come closer together than this are a flood: once the reads have taken all there
// was, the burst waits this long for more to gather, so that one wake-up and one batch read serve
// some tens of datagrams instead of one or two.
constexpr auto kGatherWait = std::chrono::microseconds(100);
// A datagram's read takes a microsecond or two: the clock is looked at every so many of them, not
// each. A stream's read of up to 64 KiB takes tens of microseconds: the clock is looked at each.
constexpr unsigned kDatagramReadsPerClockLook = 8;

struct Watch {
  int fd = -1;
  AsyncSelect::Kind kind = AsyncSelect::Kind::Stream;
  HWND hwnd = nullptr;
  UINT message = 0;
  long events = 0;
  std::unique_ptr<QSocketNotifier> readable;
  std::unique_ptr<QSocketNotifier> writable;
  bool awaitingRead = false;   // FD_READ sent and no read made since: the next one waits for a read
  bool dataLeft = false;       // the last read left data that the kernel may not announce again
  bool resumeQueued = false;   // a call that goes on sending FD_READ waits in the event loop
  Clock::time_point burstEnd;  // when the last burst of FD_READ ended
};

}  // namespace

// The read notifier stays on while reads keep up, so a flood costs a poll and a batch read per
// burst: every switch of a notifier costs the event loop a wake-up write and a read.
struct AsyncSelect::Impl {
  explicit Impl(SocketProbe& p) : probe(p) {}

  SocketProbe& probe;
  QObject context;  // where resumed read notifications are delivered from
  ws::SOCKET delivering = ws::INVALID_SOCKET;
  std::unordered_map<ws::SOCKET, Watch> watches;

  Watch* find(ws::SOCKET s)
  {
    auto it = watches.find(s);
    return it == watches.end() ? nullptr : &it->second;
  }

  static void post(const Watch& w, ws::SOCKET s, long event, int error)
  {
    w.hwnd->PostMessage(w.message, static_cast<WPARAM>(s),
                        ws::WSAMAKESELECTREPLY(static_cast<unsigned>(event), static_cast<unsigned>(error)));
  }

  static void setReadable(Watch& w, bool on)
  {
    if (w.readable)
      w.readable->setEnabled(on);
  }

  // The burst goes on from a call queued in the event loop: after the loop's other work when its
  // time is up, and for datagrams the layer holds, which the kernel will not announce again. The
  // queued call dispatched also lets Qt's timers run at their normal priority.
  void queueResume(ws::SOCKET s, Watch& w)
  {
    if (w.resumeQueued)
      return;
    w.resumeQueued = true;
    QMetaObject::invokeMethod(
        &context,
        [this, s] {
          Watch* queued = find(s);
          if (!queued)
            return;
          queued->resumeQueued = false;
          if (queued->awaitingRead)
            return;
          if (queued->dataLeft)
            return deliverReads(s);
          setReadable(*queued, true);
        },
        Qt::QueuedConnection);
  }

  // Under a flood, a datagram socket whose reads took all there was waits for more to gather, as
  // long as the burst has time left; true when the next read has a datagram.
  bool gather(ws::SOCKET s, Watch& w, bool flood, Clock::time_point deadline)
  {
    if (!flood || w.kind != Kind::Datagram || Clock::now() + kGatherWait > deadline)
      return false;
    w.dataLeft = probe.gather(s, kGatherWait);
    return w.dataLeft;
  }

  // Sends FD_READ, again after every read that leaves data, for this socket's share of a
  // millisecond before the loop's other work gets its turn. A notification that no read answers
  // holds the next back (the notifier goes off until a read). Nothing reaches a closed handle.
  void deliverReads(ws::SOCKET s)
  {
    Watch* w = find(s);
    if (!w)
      return;
    const auto start = Clock::now();
    const auto deadline = start + kReadBurst / std::max<std::size_t>(1, watches.size());
    const bool flood = start - w->burstEnd < kGatherWait;
    const unsigned readsPerClockLook = w->kind == Kind::Datagram ? kDatagramReadsPerClockLook : 1;
    for (unsigned reads = 1;; ++reads) {
      if (!(w->events & ws::FD_READ) || !w->hwnd->GetSafeHwnd())
        return setReadable(*w, false);
      w->awaitingRead = true;
      w->dataLeft = false;
      const ws::SOCKET outer = std::exchange(delivering, s);
      w->hwnd->SendMessage(w->message, static_cast<WPARAM>(s), ws::WSAMAKESELECTREPLY(ws::FD_READ, 0));
      delivering = outer;
      // The handler may have closed the socket or registered it anew.
      w = find(s);
      if (!w)
        return;
      if (w->awaitingRead)
        return setReadable(*w, false);
      if (!w->dataLeft && !gather(s, *w, flood, deadline))
        return endBurst(*w);
      if (reads % readsPerClockLook == 0 && Clock::now() >= deadline) {
        // The notifier waits with the rest, or the socket would be served twice in one round.
        endBurst(*w);
        setReadable(*w, false);
        return queueResume(s, *w);
      }
    }
  }

  static void endBurst(Watch& w) { w.burstEnd = Clock::now(); }

  // A pending connection is announced once; the next waits for an accept call, as in Winsock.
  void onListenerReadable(ws::SOCKET s, Watch& w)
  {
    w.readable->setEnabled(false);
    if (w.events & ws::FD_ACCEPT)
      post(w, s, ws::FD_ACCEPT, 0);
  }

  void onReadable(ws::SOCKET s)
  {
    Watch* w = find(s);
    if (!w || !w->readable)
      return;
    if (w->kind == Kind::Listener)
      return onListenerReadable(s, *w);
    if (w->awaitingRead)
      return setReadable(*w, false);
    if (w->kind == Kind::Datagram)
      return deliverReads(s);
    int error = 0;
    const SocketProbe::Peek state = probe.peek(w->fd, error);
    if (state == SocketProbe::Peek::Nothing)
      return;
    if (state == SocketProbe::Peek::Data)
      return deliverReads(s);
    // The peer is gone: FD_CLOSE once, and the notifier stays off for good.
    if (w->events & ws::FD_CLOSE)
      post(*w, s, ws::FD_CLOSE, error);
    w->readable.reset();
  }

  void onWritable(ws::SOCKET s)
  {
    Watch* w = find(s);
    if (!w || !w->writable)
      return;
    w->writable->setEnabled(false);
    post(*w, s, ws::FD_WRITE, 0);
  }
};

AsyncSelect::AsyncSelect(SocketProbe& probe) : d(std::make_unique<Impl>(probe)) {}

AsyncSelect::~AsyncSelect() = default;

// A socket registered again keeps its read state: data the layer holds, or a notification that
// waits for its read, stays announced as it was. Asking for FD_WRITE (again) brings one once the
// socket is writable, as Winsock posts it on registration.
void AsyncSelect::select(ws::SOCKET s, int fd, Kind kind, HWND hWnd, UINT wMsg, long lEvent)
{
  Watch* existing = d->find(s);
  if (!existing || existing->fd != fd || existing->kind != kind) {
    Watch& w = d->watches[s];
    w = Watch{};
    w.fd = fd;
    w.kind = kind;
    w.readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(w.readable.get(), &QSocketNotifier::activated, &d->context, [this, s] { d->onReadable(s); });
  }
  Watch& w = d->watches[s];
  w.hwnd = hWnd;
  w.message = wMsg;
  w.events = lEvent;
  if (!(lEvent & ws::FD_WRITE) || kind == Kind::Listener) {
    w.writable.reset();
    return;
  }
  if (!w.writable) {
    w.writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(w.writable.get(), &QSocketNotifier::activated, &d->context, [this, s] { d->onWritable(s); });
  }
  w.writable->setEnabled(true);
}

bool AsyncSelect::watched(ws::SOCKET s) const
{
  return d->watches.count(s) > 0;
}

void AsyncSelect::inherit(ws::SOCKET listener, ws::SOCKET to, int fd)
{
  const Watch* w = d->find(listener);
  if (w)
    select(to, fd, Kind::Stream, w->hwnd, w->message, w->events & ~ws::FD_ACCEPT);
}

void AsyncSelect::forget(ws::SOCKET s)
{
  d->watches.erase(s);
}

// Winsock's re-enabling rule: after an FD_READ the next one waits for a read call; a read that
// leaves data behind brings FD_READ again at once, one that finds none waits for new data.
void AsyncSelect::readDone(ws::SOCKET s, bool consumed, bool more)
{
  Watch* w = d->find(s);
  if (!w)
    return;
  w->awaitingRead = false;
  w->dataLeft = consumed && more;
  if (s == d->delivering)
    return Impl::setReadable(*w, true);
  // A read made outside a notification (a resume may be queued with the notifier off): data left
  // in the kernel is announced by the notifier, datagrams the layer holds by a resume.
  if (w->dataLeft && w->kind == Kind::Datagram)
    return d->queueResume(s, *w);
  if (!w->resumeQueued)
    Impl::setReadable(*w, true);
}

void AsyncSelect::acceptDone(ws::SOCKET s)
{
  Watch* w = d->find(s);
  if (w && w->readable)
    w->readable->setEnabled(true);
}

void AsyncSelect::sendBlocked(ws::SOCKET s)
{
  Watch* w = d->find(s);
  if (w && w->writable)
    w->writable->setEnabled(true);
}

}  // namespace platform
