#include "printing/DeviceStream.h"

#include "printing/TransferControl.h"
#include "toolkit/Deadline.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A reader that goes away (a pipe, a FIFO) would otherwise end the whole program with SIGPIPE;
// during the write the signal is held and then discarded, and the write reports EPIPE.
class SigpipeHold final {
public:
    SigpipeHold() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        m_held = pthread_sigmask(SIG_BLOCK, &m_set, &m_old) == 0;
    }
    ~SigpipeHold() {
        if (!m_held)
            return;
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE) == 1) {
            const timespec none{0, 0};
            sigtimedwait(&m_set, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigpipeHold(const SigpipeHold&) = delete;
    SigpipeHold& operator=(const SigpipeHold&) = delete;

private:
    sigset_t m_set{}, m_old{};
    bool m_held = false;
    bool m_wasPending = false;
};

} // namespace

CDeviceStream::~CDeviceStream() { Close(); }

void CDeviceStream::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_socket = false;
}

int CDeviceStream::OpenPath(const std::string& path) {
    Close();
    if (path.empty())
        return ENOENT;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return errno;
    if (exists && S_ISDIR(st.st_mode))
        return EISDIR;
    // A missing device is an unplugged printer, not a file to create in its place.
    const bool device = path.rfind("/dev/", 0) == 0 || (exists && !S_ISREG(st.st_mode));
    int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    if (!device)
        flags |= O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return errno;
    m_fd = fd;
    return 0;
}

int CDeviceStream::OpenTcp(const std::string& host, const std::string& service, int timeoutMs, std::string* detail) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        if (detail)
            *detail = ::gai_strerror(rc);
        return EHOSTUNREACH;
    }
    const Deadline deadline(timeoutMs);
    int error = ETIMEDOUT;
    for (addrinfo* ai = found; ai; ai = ai->ai_next) {
        const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        int result = ::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0 ? 0 : errno;
        if (result == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            int ready;
            do
                ready = ::poll(&pfd, 1, deadline.MsLeft());
            while (ready < 0 && errno == EINTR);
            socklen_t length = sizeof result;
            if (ready == 0)
                result = ETIMEDOUT;
            else if (ready < 0)
                result = errno;
            else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &length) != 0)
                result = errno;
        }
        if (result == 0) {
            ::freeaddrinfo(found);
            m_fd = fd;
            m_socket = true;
            return 0;
        }
        ::close(fd);
        error = result;
        if (deadline.MsLeft() == 0)
            break;
    }
    ::freeaddrinfo(found);
    return error;
}

int CDeviceStream::Write(const void* data, std::size_t count, int timeoutMs) {
    if (m_fd < 0)
        return EBADF;
    SigpipeHold hold;
    const Deadline deadline(timeoutMs);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    int busy = 0;
    while (done < count) {
        const ssize_t n = m_socket ? ::send(m_fd, bytes + done, count - done, MSG_NOSIGNAL)
                                   : ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            if (m_control)
                m_control->Count(static_cast<std::size_t>(n));
            busy = 0;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            return n == 0 ? EIO : errno;
        if (m_control && m_control->Cancelled())
            return ECANCELED;
        int left = deadline.MsLeft();
        if (m_control && left > TransferControl::kPollSliceMs)
            left = TransferControl::kPollSliceMs;
        if (left == 0)
            return ETIMEDOUT;
        // The parallel driver has no poll of its own and calls itself ready while the printer is
        // busy: after two refusals in a row, wait a little instead of spinning.
        if (++busy > 1)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(left, 20)));
        pollfd pfd{m_fd, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, std::min(left, 1000));
        if (ready < 0 && errno != EINTR)
            return errno;
        if (ready > 0 && (pfd.revents & POLLNVAL))
            return EBADF;
        if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP)) && !(pfd.revents & POLLOUT))
            return EIO;
    }
    return 0;
}

int CDeviceStream::FinishTcp(int timeoutMs) {
    if (m_fd < 0 || !m_socket)
        return 0;
    if (::shutdown(m_fd, SHUT_WR) != 0)
        return errno;
    const Deadline deadline(timeoutMs);
    char buffer[512];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return 0;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return errno;
        if (m_control && m_control->Cancelled())
            return ECANCELED;
        int left = deadline.MsLeft();
        if (left == 0)
            return ETIMEDOUT;
        if (m_control)
            left = std::min(left, TransferControl::kPollSliceMs);
        pollfd pfd{m_fd, POLLIN, 0};
        if (::poll(&pfd, 1, left) < 0 && errno != EINTR)
            return errno;
    }
}

std::size_t CDeviceStream::Queued() const {
    int queued = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<std::size_t>(queued);
}
