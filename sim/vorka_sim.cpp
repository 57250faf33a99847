// vorka-sim: a virtual VORKA unit on a pseudo-terminal, for trying the program without hardware.
#include "sim/InputScript.h"
#include "sim/PtyServer.h"
#include "sim/VirtualUnit.h"

#include <unistd.h>
#include <cctype>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

void Usage() {
  std::puts(
      "usage: vorka-sim [options]\n"
      "  --link PATH          also make PATH a symbolic link to the line\n"
      "  --id TEXT            unit identifier answered to Q (7 characters)\n"
      "  --version TEXT       version text after the family mark\n"
      "  --no-mpg             firmware without MPG functions\n"
      "  --restart-ms N       how long the unit ignores the line after a reset\n"
      "  --static-inputs      keep the inputs still (they toggle slowly otherwise)\n"
      "  --inputs FILE        play the inputs from FILE: \"MS WORD\" lines (WORD in hexadecimal)\n"
      "  --inputs-loop        play them again and again\n"
      "  --toggle IN:HZ       input IN runs as a square wave of HZ periods a second\n"
      "  --verbose            print every command line received\n"
      "faults:\n"
      "  --silent             answer nothing\n"
      "  --silent-nth N       stay silent on the N-th command\n"
      "  --silent-poll N      stay silent on the N-th poll of the inputs (its I1)\n"
      "  --silent-command C   stay silent on command C (without the !0 prefix)\n"
      "  --delay-ms N         delay every reply by N ms\n"
      "  --baud N             pace the line at N Bd\n"
      "  --line-speed N       answer only a port set to N Bd (other speeds are noise)\n"
      "  --crlf               end replies with CR LF\n"
      "  --garble C=TEXT      answer command C with TEXT (\\n, \\r, \\e and \\xNN for control bytes)\n"
      "  --register A=VALUE   register A holds VALUE: two hexadecimal digits for a byte register,\n"
      "                       any text for a number register (\"1.23456789\", \"nan\", a long one)\n"
      "  --long C             answer command C with 300 characters\n"
      "  --close-nth N        close the line at the N-th command\n"
      "  --restart-nth N      restart at the N-th command\n"
      "  --twice C[:MS[:N]]   answer command C twice, the copy MS ms after the reply (0: at once),\n"
      "                       the next N times it is asked (1; -1: always)\n"
      "  --stray-cr C:P[:N]   put a CR before character P of the reply to C, the next N times\n"
      "  --store-as A=VALUE   acknowledge writes to register A but keep VALUE (empty: keep nothing)\n"
      "  --noise C:BYTES[:N]  put BYTES (\\xNN for any byte) before the reply to C, the next N times\n"
      "replies the protocol allows:\n"
      "  --ack TEXT           acknowledge writes with TEXT (\"0,OK\"; anything beginning with 0)\n"
      "  --short-inputs       answer I1 and I2 with as few hexadecimal digits as the value needs");
}

// "\n", "\r", "\e" and "\xNN" as the bytes they name, so that a reply can hold any of them.
std::string Unescaped(const std::string& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'n')
      bytes += '\n';
    else if (c == 'r')
      bytes += '\r';
    else if (c == 'e')
      bytes += '\x1b';
    else if (c == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
             std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else
      bytes += c;
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  VirtualUnit::Options options;
  std::string link;
  bool staticInputs = false;
  std::string inputsFile;
  bool inputsLoop = false;
  bool verbose = false;
  struct Fault {
    std::string flag, value;
  };
  std::vector<Fault> faults;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "vorka-sim: %s needs a value\n", arg.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--link")
      link = value();
    else if (arg == "--id")
      options.id = value();
    else if (arg == "--version")
      options.version = value();
    else if (arg == "--no-mpg")
      options.mpg = false;
    else if (arg == "--restart-ms")
      options.restartMs = std::atoi(value().c_str());
    else if (arg == "--static-inputs")
      staticInputs = true;
    else if (arg == "--inputs")
      inputsFile = value();
    else if (arg == "--inputs-loop")
      inputsLoop = true;
    else if (arg == "--verbose")
      verbose = true;
    else if (arg == "--silent" || arg == "--crlf" || arg == "--short-inputs")
      faults.push_back({arg, ""});
    else if (arg == "--silent-nth" || arg == "--silent-command" || arg == "--delay-ms" || arg == "--baud" ||
             arg == "--line-speed" || arg == "--garble" || arg == "--long" || arg == "--close-nth" ||
             arg == "--restart-nth" || arg == "--register" || arg == "--twice" || arg == "--stray-cr" ||
             arg == "--store-as" || arg == "--silent-poll" || arg == "--toggle" || arg == "--noise" ||
             arg == "--ack")
      faults.push_back({arg, value()});
    else if (arg == "--help" || arg == "-h") {
      Usage();
      return 0;
    } else {
      std::fprintf(stderr, "vorka-sim: unknown option %s\n", arg.c_str());
      Usage();
      return 2;
    }
  }

  InputScript inputs;
  if (!inputsFile.empty()) {
    std::ifstream in(inputsFile, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    inputs = ParseInputScript(text.str());
    if (!in || inputs.steps.empty()) inputs.error = inputs.error.empty() ? "no steps" : inputs.error;
    if (!inputs.error.empty()) {
      std::fprintf(stderr, "vorka-sim: %s: %s\n", inputsFile.c_str(), inputs.error.c_str());
      return 2;
    }
  }

  VirtualUnit unit(options);
  for (const auto& f : faults) {
    if (f.flag == "--silent")
      unit.SetSilent(true);
    else if (f.flag == "--crlf")
      unit.SetCrLf(true);
    else if (f.flag == "--silent-nth")
      unit.SetSilentOnNth(std::atoi(f.value.c_str()));
    else if (f.flag == "--silent-poll")
      unit.SetSilentOnPoll(std::atoi(f.value.c_str()));
    else if (f.flag == "--toggle") {
      // A dot for the fraction, whatever the locale.
      const auto colon = f.value.find(':');
      const int input = std::atoi(f.value.c_str());
      double hz = 0;
      const char* last = f.value.data() + f.value.size();
      const bool parsed =
          colon != std::string::npos && std::from_chars(f.value.data() + colon + 1, last, hz).ptr == last;
      if (!parsed || input < 0 || input > 15 || !(hz > 0)) {
        std::fprintf(stderr, "vorka-sim: --toggle wants INPUT:HZ (input 0 to 15, a frequency above 0)\n");
        return 2;
      }
      unit.SetToggle(input, hz);
      staticInputs = true;
    } else if (f.flag == "--silent-command")
      unit.SetSilentOnCommand(f.value);
    else if (f.flag == "--delay-ms")
      unit.SetDelayMs(std::atoi(f.value.c_str()));
    else if (f.flag == "--baud")
      unit.SetBaud(std::atoi(f.value.c_str()));
    else if (f.flag == "--line-speed")
      unit.SetLineSpeed(std::atoi(f.value.c_str()));
    else if (f.flag == "--long")
      unit.SetReplyOverride(f.value, "0," + std::string(298, '7'));
    else if (f.flag == "--close-nth")
      unit.SetCloseOnNth(std::atoi(f.value.c_str()));
    else if (f.flag == "--restart-nth")
      unit.SetRestartOnNth(std::atoi(f.value.c_str()));
    else if (f.flag == "--garble") {
      const auto eq = f.value.find('=');
      if (eq == std::string::npos) {
        std::fprintf(stderr, "vorka-sim: --garble wants C=TEXT\n");
        return 2;
      }
      unit.SetReplyOverride(f.value.substr(0, eq), Unescaped(f.value.substr(eq + 1)));
    } else if (f.flag == "--twice" || f.flag == "--stray-cr") {
      // C:NUMBER:TIMES, the command itself may hold no colon.
      const auto first = f.value.find(':');
      const auto second = first == std::string::npos ? first : f.value.find(':', first + 1);
      const std::string command = f.value.substr(0, first);
      const int number = first == std::string::npos ? 0 : std::atoi(f.value.substr(first + 1).c_str());
      const int times = second == std::string::npos ? 1 : std::atoi(f.value.substr(second + 1).c_str());
      if (command.empty() || (f.flag == "--stray-cr" && first == std::string::npos)) {
        std::fprintf(stderr, "vorka-sim: %s wants C:NUMBER[:TIMES]\n", f.flag.c_str());
        return 2;
      }
      if (f.flag == "--twice")
        unit.SetAnswerTwice(command, number, times);
      else
        unit.SetStrayCr(command, static_cast<std::size_t>(number), times);
    } else if (f.flag == "--noise") {
      // C:BYTES:TIMES; BYTES may hold a colon only escaped.
      const auto first = f.value.find(':');
      const auto second = first == std::string::npos ? first : f.value.find(':', first + 1);
      if (first == std::string::npos || first == 0) {
        std::fprintf(stderr, "vorka-sim: --noise wants C:BYTES[:TIMES]\n");
        return 2;
      }
      const std::string bytes = Unescaped(
          f.value.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1));
      const int times = second == std::string::npos ? 1 : std::atoi(f.value.substr(second + 1).c_str());
      unit.SetNoise(f.value.substr(0, first), bytes, times);
    } else if (f.flag == "--ack") {
      unit.SetWriteAcknowledgement(f.value);
    } else if (f.flag == "--short-inputs") {
      unit.SetShortInputReplies(true);
    } else if (f.flag == "--store-as") {
      const auto eq = f.value.find('=');
      if (eq == std::string::npos) {
        std::fprintf(stderr, "vorka-sim: --store-as wants A=VALUE\n");
        return 2;
      }
      unit.SetWriteStoredAs(f.value.substr(0, eq), f.value.substr(eq + 1));
    } else if (f.flag == "--register") {
      const auto eq = f.value.find('=');
      const std::string address = f.value.substr(0, eq),
                        value = eq == std::string::npos ? "" : f.value.substr(eq + 1);
      if (eq == std::string::npos || (!unit.ByteRegister(address) && !unit.TextRegister(address))) {
        std::fprintf(stderr, "vorka-sim: --register wants A=VALUE with a register's address\n");
        return 2;
      }
      if (unit.ByteRegister(address))
        unit.SetByteRegister(address, static_cast<uint8_t>(std::strtoul(value.c_str(), nullptr, 16)));
      else
        unit.SetTextRegister(address, Unescaped(value));
    }
  }

  PtyServer server(unit);
  if (!server.Start()) {
    std::perror("vorka-sim: cannot open a pseudo-terminal");
    return 1;
  }
  if (!link.empty()) {
    ::unlink(link.c_str());
    if (::symlink(server.SlavePath().c_str(), link.c_str()) != 0) {
      std::perror("vorka-sim: cannot make the link");
      return 1;
    }
    server.RemoveOnClose(link);
  }
  std::printf("%s\n", server.SlavePath().c_str());
  std::fflush(stdout);

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  uint16_t word = 0x0001;
  int tick = 0;
  std::size_t printed = 0;
  const auto start = std::chrono::steady_clock::now();
  // A played script moves the inputs by the millisecond; otherwise they walk every half second.
  const auto period = std::chrono::milliseconds(inputs.steps.empty() ? 100 : 2);
  while (!g_stop) {
    std::this_thread::sleep_for(period);
    if (!inputs.steps.empty()) {
      int64_t ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
              .count();
      if (inputsLoop) ms %= inputs.steps.back().ms + 1;
      if (const auto due = WordAt(inputs.steps, ms)) unit.SetInputWord(*due);
      staticInputs = true;
    }
    if (verbose) {
      const auto received = unit.Received();
      for (; printed < received.size(); ++printed) std::printf("%s\n", received[printed].c_str());
      std::fflush(stdout);
    }
    if (!staticInputs && ++tick % 5 == 0) {
      // A slowly walking input, with the sensor inputs 14 and 15 taking part.
      word = static_cast<uint16_t>(word == 0x0080 ? 0x4000 : word == 0x8000 ? 0x0001 : word << 1);
      unit.SetInputWord(word);
    }
  }
  server.Stop();
  if (!link.empty()) ::unlink(link.c_str());
  return 0;
}
