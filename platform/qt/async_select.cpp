#include "platform/async_select.h"

#include "platform/cwnd.h"

#include <QObject>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>
#include <unordered_map>
#include <utility>

namespace platform {
namespace {

// How long read notifications may follow one another before the event loop does its other work;
// sockets with reads waiting share it.
constexpr auto kReadBurst = std::chrono::microseconds(1000);

struct Watch {
  int fd = -1;
  AsyncSelect::Kind kind = AsyncSelect::Kind::Stream;
  HWND hwnd = nullptr;
  UINT message = 0;
  long events = 0;
  std::unique_ptr<QSocketNotifier> readable;
  std::unique_ptr<QSocketNotifier> writable;
  bool readQueued = false;  // an FD_READ waits in the event loop
  bool readAgain = false;   // the read made for the FD_READ being sent found data, and more is there
};

}  // namespace

struct AsyncSelect::Impl {
  explicit Impl(SocketProbe& p) : probe(p) {}

  SocketProbe& probe;
  QObject context;  // where queued read notifications are delivered from
  ws::SOCKET delivering = ws::INVALID_SOCKET;
  int readsQueued = 0;  // watches whose FD_READ waits in the event loop
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

  void unqueue(Watch& w)
  {
    if (!w.readQueued)
      return;
    w.readQueued = false;
    --readsQueued;
  }

  void queueRead(ws::SOCKET s, Watch& w)
  {
    if (w.readQueued || !(w.events & ws::FD_READ))
      return;
    w.readQueued = true;
    ++readsQueued;
    QMetaObject::invokeMethod(
        &context, [this, s] { deliverReads(s); }, Qt::QueuedConnection);
  }

  // Sends FD_READ from the event loop, again after every read that leaves data, for this socket's
  // share of a millisecond before the loop's other work gets its turn. Nothing reaches a closed
  // handle.
  void deliverReads(ws::SOCKET s)
  {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + kReadBurst / std::max(1, readsQueued);
    for (;;) {
      Watch* w = find(s);
      if (!w)
        return;
      unqueue(*w);
      w->readAgain = false;
      if (!w->hwnd->GetSafeHwnd())
        return;
      const ws::SOCKET outer = std::exchange(delivering, s);
      w->hwnd->SendMessage(w->message, static_cast<WPARAM>(s), ws::WSAMAKESELECTREPLY(ws::FD_READ, 0));
      delivering = outer;
      w = find(s);
      if (!w || !w->readAgain)
        return;
      if (Clock::now() >= deadline) {
        w->readAgain = false;
        queueRead(s, *w);
        return;
      }
    }
  }

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
    w->readable->setEnabled(false);
    if (w->kind == Kind::Datagram)
      return queueRead(s, *w);
    int error = 0;
    const SocketProbe::Peek state = probe.peek(w->fd, error);
    if (state == SocketProbe::Peek::Nothing) {
      w->readable->setEnabled(true);
      return;
    }
    if (state == SocketProbe::Peek::Data)
      return queueRead(s, *w);
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

void AsyncSelect::select(ws::SOCKET s, int fd, Kind kind, HWND hWnd, UINT wMsg, long lEvent)
{
  Watch& w = d->watches[s];
  w.fd = fd;
  w.kind = kind;
  w.hwnd = hWnd;
  w.message = wMsg;
  w.events = lEvent;
  w.readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(w.readable.get(), &QSocketNotifier::activated, &d->context, [this, s] { d->onReadable(s); });
  w.writable.reset();
  if (!(lEvent & ws::FD_WRITE) || kind == Kind::Listener)
    return;
  w.writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
  QObject::connect(w.writable.get(), &QSocketNotifier::activated, &d->context, [this, s] { d->onWritable(s); });
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
  if (Watch* w = d->find(s))
    d->unqueue(*w);
  d->watches.erase(s);
}

// Winsock's re-enabling rule: after an FD_READ the next one waits for a read call; a read that
// leaves data behind brings FD_READ again at once, one that finds none waits for new data.
void AsyncSelect::readDone(ws::SOCKET s, bool consumed, bool more)
{
  Watch* w = d->find(s);
  if (!w)
    return;
  if (!consumed || !more) {
    if (w->readable)
      w->readable->setEnabled(true);
    return;
  }
  if (s == d->delivering)
    w->readAgain = true;
  else
    d->queueRead(s, *w);
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
