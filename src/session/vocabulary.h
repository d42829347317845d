#pragma once
// The types of the layers below that the window and the tool name, offered by the session so that
// the faces include session/, profile/ and model/ headers only: the clock, the link thread and its
// handoff, the port texts and serial settings, the COM entries, the read's observer and plain
// state, the pacing, what a read took cleanly, the write's values and messages, the test prints.
#include "link/clock.h"
#include "link/com_port_map.h"
#include "link/link_selection.h"
#include "link/link_thread.h"
#include "link/thread_handoff.h"
#include "protocol/pacing.h"
#include "protocol/plain_read_observer.h"
#include "protocol/read_integrity.h"
#include "protocol/read_observer.h"
#include "protocol/read_sequence.h"
#include "protocol/test_print.h"
#include "protocol/write_sequence.h"
