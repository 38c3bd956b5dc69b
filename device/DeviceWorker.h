#pragma once
// The command queue and the worker cycle. The UI thread queues command codes; the worker
// takes one per cycle and runs the handler registered for it, or, with an empty queue and a
// supported mouse present, runs one idle poll. Codes without a handler are dropped. Equal
// codes are not merged: two quick changes send twice.
//
// Handlers are registered by the parts that own the work: the mouse session registers the
// device commands (MouseSession::RegisterCommands), the update service registers its own
// (software and firmware checks, installation, flashing) with SetHandler.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "device/ThreadBasic.h"

namespace tavrick {

// Command codes the UI thread queues.
namespace command {
inline constexpr int kSelectRememberedMouse = 1;
inline constexpr int kDeviceArrived = 2;
inline constexpr int kReceiverRemoved = 3;
inline constexpr int kEnterOnlineMouse = 4;
inline constexpr int kProfileChanged = 5;
inline constexpr int kSendButtons = 6;
inline constexpr int kSendLighting = 8;
inline constexpr int kSendDpiLevels = 9;
inline constexpr int kSendDpiColors = 10;
inline constexpr int kSendReportRate = 11;
inline constexpr int kSendLiftOff = 12;
inline constexpr int kSendPower = 13;
inline constexpr int kResetDpi = 18;
inline constexpr int kResetMouse = 20;
inline constexpr int kCheckSoftware = 23;
inline constexpr int kCheckFirmware = 24;
inline constexpr int kInstallSoftware = 26;
inline constexpr int kFlashFirmware = 27;
}  // namespace command

class DeviceWorker : public CThreadBasic {
 public:
  using Handler = std::function<void()>;
  // The idle poll gets a test that turns true when a command was queued or the worker is
  // stopping; a poll that waits for input checks it and returns early.
  using IdlePoll = std::function<void(const std::function<bool()>& interrupted)>;

  DeviceWorker() = default;
  ~DeviceWorker() override;

  // Registers (or, with an empty handler, removes) the work of a code. Any thread.
  void SetHandler(int code, Handler handler);
  bool HasHandler(int code) const;
  void SetIdlePoll(IdlePoll poll);

  // Appends a code and wakes the worker. Any thread.
  void QueueCommand(int code);
  size_t QueuedCount() const;

  // The presence flag: a supported mouse is present, so idle cycles poll for notifications.
  void SetPresence(bool present);
  bool Presence() const { return presence_.load(std::memory_order_acquire); }

  // Starts the loop with the 2 ms pause between cycles; Stop joins.
  bool Start() { return StartThread(std::chrono::milliseconds(2), true); }
  void Stop() { StopThread(); }

  // One cycle, for a caller that drives the worker without its thread.
  void RunOneCycle() { Run(); }

  // For long work inside a handler: false once the worker is being stopped.
  bool KeepGoing() const { return !StopRequested(); }
  bool Pause(std::chrono::milliseconds duration) { return PauseUnlessStopping(duration); }

 protected:
  void Run() override;
  bool HasWork() override;

 private:
  bool CommandWaiting() const;

  mutable std::mutex mutex_;
  std::deque<int> queue_;
  std::map<int, Handler> handlers_;
  IdlePoll idlePoll_;
  std::atomic<bool> presence_{false};
};

}  // namespace tavrick
