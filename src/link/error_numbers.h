#pragma once
// Every failure number and transfer status of the program, each value under one name. They
// are shown to the user and kept in test records, so the values never change.

// How an XMODEM transfer ended; the socket layer's waits end with the same stop and
// time-out values.
inline constexpr int kXmComplete = 0;
inline constexpr int kXmStopped = 4096;    // gStopRequest was set
inline constexpr int kXmFailed = 4097;     // retries exhausted, out of sequence, closing "ER"
inline constexpr int kXmTimeout = 4098;    // the controller went silent (10000 ms for a socket block)
inline constexpr int kXmCancelled = 4099;  // the controller sent two CAN bytes
inline constexpr int kXmNoStatus = -1;     // the transfer ended by a raised failure (LinkError)

// Run-time failures. A transfer ends with one of these instead of a status when it could not
// go on; the raised ones travel as LinkError to the operation's trap.
inline constexpr int kXmErrFileWrite = 57;       // a received block could not be written (box shown)
inline constexpr long kErrEmptyFile = 380;       // the file to send is empty, refused before the link is touched
inline constexpr int kXmErrTooLarge = 31001;     // a receive stopped at the size bound (box shown)
inline constexpr long kErrSockTimeout = 40006;   // no byte within the polls of a socket receive
inline constexpr long kErrLinkFailure = 40020;   // the port or socket refused an operation (a write, a reopen)
inline constexpr long kErrLinkReported = 40021;  // the link broke and the user has been told
