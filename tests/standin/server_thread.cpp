#include "server_thread.h"

#include <exception>
#include <future>
#include <memory>

namespace kesta::test {

namespace {

// A piece of work for the server thread.  GLib owns it and destroys it in
// that thread; the caller keeps only the future of done.
struct Task {
  std::function<void(Endpoint&)> work;
  Endpoint& endpoint;
  std::promise<void> done;
};

gboolean run_task(gpointer data) noexcept {
  auto* task = static_cast<Task*>(data);
  task->work(task->endpoint);
  task->done.set_value();
  return G_SOURCE_REMOVE;
}

void delete_task(gpointer data) noexcept { delete static_cast<Task*>(data); }

gboolean quit_loop(gpointer loop) noexcept {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

}  // namespace

ServerThread::ServerThread(const StandInOptions& options, RefPtr<GTlsCertificate> certificate, ServiceState& service,
                           ReplyScripts& scripts, RequestLog& log)
    : context_(g_main_context_new()), loop_(g_main_loop_new(context_.get(), FALSE)) {
  std::promise<unsigned> listening;
  std::future<unsigned> port = listening.get_future();
  // The thread keeps the promise: the constructor may be gone by the time
  // set_value() has returned.
  thread_ = std::jthread([&, listening = std::move(listening), certificate = std::move(certificate)]() mutable {
    // Owned by this thread from the start: g_main_context_invoke() from
    // another thread would otherwise run its function right there whenever
    // the context happens to be free.
    g_main_context_acquire(context_.get());
    g_main_context_push_thread_default(context_.get());
    std::unique_ptr<Endpoint> endpoint;
    try {
      endpoint = std::make_unique<Endpoint>(options, certificate.get(), service, scripts, log);
    } catch (...) {
      listening.set_exception(std::current_exception());
    }
    if (endpoint) {
      endpoint_ = endpoint.get();
      listening.set_value(endpoint->port());
      g_main_loop_run(loop_.get());
      endpoint_ = nullptr;
      endpoint.reset();
    }
    g_main_context_pop_thread_default(context_.get());
    g_main_context_release(context_.get());
  });
  // On failure the exception leaves the constructor and the member thread,
  // already at its end, is joined.
  port_ = port.get();
}

ServerThread::~ServerThread() {
  // Through the context rather than g_main_loop_quit(), which is lost if it
  // comes before the loop runs.
  g_main_context_invoke(context_.get(), quit_loop, loop_.get());
  thread_.join();
}

void ServerThread::run(const std::function<void(Endpoint&)>& work) {
  auto task = std::make_unique<Task>(work, *endpoint_, std::promise<void>());
  std::future<void> done = task->done.get_future();
  g_main_context_invoke_full(context_.get(), G_PRIORITY_DEFAULT, run_task, task.release(), delete_task);
  done.get();
}

}  // namespace kesta::test
