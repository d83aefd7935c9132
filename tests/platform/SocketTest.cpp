#include "platform/Socket.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#else
#include <fcntl.h>
#endif

#include "platform/Ipv4Text.h"

namespace kestrine::platform {
namespace {

using namespace std::chrono_literals;

const std::uint32_t kLoopback = HostToNetwork32(0x7F000001);

// Whether a program this process starts would get the socket too.
bool ChildProgramsInherit(NativeSocket s) {
#ifdef _WIN32
  DWORD flags = 0;
  return !::GetHandleInformation(reinterpret_cast<HANDLE>(s), &flags) || (flags & HANDLE_FLAG_INHERIT) != 0;
#else
  return (::fcntl(s, F_GETFD) & FD_CLOEXEC) == 0;
#endif
}

Socket ListenOnLoopback() {
  Socket listener = Socket::CreateStream();
  EXPECT_TRUE(listener.Bind(kLoopback, 0));
  EXPECT_TRUE(listener.Listen(4));
  return listener;
}

TEST(Socket, ConnectToAPortWithNoListenerFailsAndCloses) {
  std::uint16_t port = 0;
  {
    Socket listener = ListenOnLoopback();
    port = listener.LocalPort();
  }
  Socket client = Socket::CreateStream();
  EXPECT_FALSE(client.Connect(kLoopback, port, 2000ms, {}));
  EXPECT_FALSE(client.IsValid());
}

TEST(Socket, ConnectGivesUpAtItsOwnTimeoutWhenNobodyAnswers) {
  // A listener that never accepts: once its queue is full the system drops further
  // handshakes, and only our own bound ends the wait (the system's would take minutes).
  Socket listener = Socket::CreateStream();
  ASSERT_TRUE(listener.Bind(kLoopback, 0));
  ASSERT_TRUE(listener.Listen(0));
  std::vector<Socket> queued;
  bool timedOut = false;
  for (int i = 0; i < 64 && !timedOut; ++i) {
    Socket client = Socket::CreateStream();
    if (client.Connect(kLoopback, listener.LocalPort(), 300ms, {})) {
      queued.push_back(std::move(client));
    } else {
      timedOut = true;
      EXPECT_FALSE(client.IsValid());
    }
  }
  EXPECT_TRUE(timedOut);
}

TEST(Socket, ReceiveWaitsAtMostItsTimeoutAndKeepsTheCallerAlive) {
  Socket listener = ListenOnLoopback();
  Socket client = Socket::CreateStream();
  ASSERT_TRUE(client.Connect(kLoopback, listener.LocalPort(), 2000ms, {}));
  Socket server = listener.Accept();
  ASSERT_TRUE(server.IsValid());

  int keepAliveCalls = 0;
  std::array<std::byte, 4> buffer{};
  const Received silent = client.Receive(buffer, 100ms, [&] { ++keepAliveCalls; });
  EXPECT_EQ(silent.status, ReceiveStatus::TimedOut);
  EXPECT_GT(keepAliveCalls, 0);

  const std::array<std::byte, 3> bytes{std::byte{1}, std::byte{2}, std::byte{3}};
  ASSERT_EQ(server.Send(bytes), 3u);
  const Received data = client.Receive(buffer, 2000ms, {});
  EXPECT_EQ(data.status, ReceiveStatus::Data);
  EXPECT_EQ(data.count, 3u);

  server.Close();
  EXPECT_EQ(client.Receive(buffer, 2000ms, {}).status, ReceiveStatus::Closed);
}

TEST(Socket, NoSocketIsInheritedByAProgramWeStart) {
  Socket listener = ListenOnLoopback();
  Socket client = Socket::CreateStream();
  ASSERT_TRUE(client.Connect(kLoopback, listener.LocalPort(), 2000ms, {}));
  const Socket server = listener.Accept();
  const Socket datagram = Socket::CreateDatagram();
  for (const Socket* socket : std::array<const Socket*, 4>{&listener, &client, &server, &datagram}) {
    ASSERT_TRUE(socket->IsValid());
    EXPECT_FALSE(ChildProgramsInherit(socket->Native()));
  }
}

TEST(Socket, FailuresSayWhyInTheSystemsWords) {
  const Socket first = ListenOnLoopback();
  Socket second = Socket::CreateStream();
  ASSERT_TRUE(second.IsValid());
  ASSERT_FALSE(second.Bind(kLoopback, first.LocalPort()));
  const std::error_code error = LastSocketError();
  EXPECT_EQ(error, std::errc::address_in_use) << error.message();
  // The socket layer's own text for it, not the C library's for whatever errno held ("Success").
  EXPECT_NE(error.message(), std::generic_category().message(0));
}

TEST(Socket, SendingToAPeerThatHasGoneDoesNotKillTheProcess) {
  Socket listener = ListenOnLoopback();
  Socket client = Socket::CreateStream();
  ASSERT_TRUE(client.Connect(kLoopback, listener.LocalPort(), 2000ms, {}));
  {
    Socket server = listener.Accept();
    server.SetAbortiveClose();
  }
  const std::array<std::byte, 1024> block{};
  std::size_t sent = block.size();
  for (int i = 0; i < 100 && sent == block.size(); ++i) sent = client.Send(block);
  EXPECT_LT(sent, block.size());  // we are still here, and the failure was reported
}

TEST(Socket, DatagramsCarryTheirSender) {
  Socket receiver = Socket::CreateDatagram();
  ASSERT_TRUE(receiver.Bind(kLoopback, 0));
  Socket sender = Socket::CreateDatagram();
  ASSERT_TRUE(sender.Bind(kLoopback, 0));
  const std::array<std::byte, 2> bytes{std::byte{7}, std::byte{9}};
  ASSERT_TRUE(sender.SendTo(bytes, kLoopback, receiver.LocalPort()));
  std::array<std::byte, 16> buffer{};
  const Received got = receiver.ReceiveFrom(buffer, 2000ms, {});
  ASSERT_EQ(got.status, ReceiveStatus::Data);
  EXPECT_EQ(got.count, 2u);
  EXPECT_EQ(got.fromAddress, kLoopback);
  EXPECT_EQ(got.fromPort, sender.LocalPort());
}

}  // namespace
}  // namespace kestrine::platform
