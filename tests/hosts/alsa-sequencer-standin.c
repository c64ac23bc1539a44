/* A stand-in for the ALSA sequencer, for machines whose kernel has none
 * (no /dev/snd/seq), such as the virtual machines that run these tries:
 * Qtractor will not start its engine without one. Preloaded into Qtractor,
 * it defines every sequencer function Qtractor calls: the sequencer opens,
 * makes ports and queues, has no other clients and never sends an event.
 * The timers and the MIDI event coder stay ALSA's own. Audio goes through
 * JACK as before. */
#define _GNU_SOURCE
#include <errno.h>
#include <poll.h>
#include <stddef.h>
#include <unistd.h>

enum { kClient = 128, kSkewBase = 0x10000 };
/* Records that callers allocate by their size hold at most this much. */
enum { kRecordSize = 1024 };

static int sequencer;
static int quiet[2] = {-1, -1}; /* a pipe never written: the sequencer's input */
static int nextPort;
static const char noName[] = "";

int snd_seq_client_id(void) { return kClient; }
int snd_seq_create_simple_port(void) { return nextPort++; }
int snd_seq_event_input(void* seq, void** event) {
    (void)seq;
    *event = 0;
    return -EAGAIN;
}
int snd_seq_open(void** handle, const char* name, int streams, int mode) {
    (void)name;
    (void)streams;
    (void)mode;
    if (quiet[0] < 0 && pipe(quiet) != 0) return -errno;
    *handle = &sequencer;
    return 0;
}
int snd_seq_poll_descriptors(void* seq, struct pollfd* fds, unsigned space, short events) {
    (void)seq;
    (void)events;
    if (space < 1) return 0;
    fds[0].fd = quiet[0];
    fds[0].events = POLLIN;
    fds[0].revents = 0;
    return 1;
}
int snd_seq_poll_descriptors_count(void) { return 1; }
int snd_seq_query_next_client(void) { return -ENOENT; }
int snd_seq_query_next_port(void) { return -ENOENT; }
int snd_seq_query_port_subscribers(void) { return -ENOENT; }
unsigned snd_seq_queue_tempo_get_skew(void) { return kSkewBase; }
unsigned snd_seq_queue_tempo_get_skew_base(void) { return kSkewBase; }

/* Everything else succeeds and does nothing. */
#define SUCCEEDS(name) \
    int name(void) { return 0; }
#define RECORD_SIZE(name) \
    size_t name(void) { return kRecordSize; }
#define NO_NAME(name) \
    const char* name(void) { return noName; }

RECORD_SIZE(snd_seq_client_info_sizeof) RECORD_SIZE(snd_seq_port_info_sizeof)
RECORD_SIZE(snd_seq_port_subscribe_sizeof) RECORD_SIZE(snd_seq_query_subscribe_sizeof)
RECORD_SIZE(snd_seq_queue_status_sizeof) RECORD_SIZE(snd_seq_queue_tempo_sizeof)
RECORD_SIZE(snd_seq_queue_timer_sizeof) RECORD_SIZE(snd_seq_remove_events_sizeof)
NO_NAME(snd_seq_client_info_get_name) NO_NAME(snd_seq_port_info_get_name)
SUCCEEDS(snd_seq_alloc_queue) SUCCEEDS(snd_seq_client_info_get_client)
SUCCEEDS(snd_seq_client_info_set_client) SUCCEEDS(snd_seq_close)
SUCCEEDS(snd_seq_control_queue) SUCCEEDS(snd_seq_delete_simple_port)
SUCCEEDS(snd_seq_drain_output) SUCCEEDS(snd_seq_drop_input)
SUCCEEDS(snd_seq_drop_output) SUCCEEDS(snd_seq_event_input_pending)
SUCCEEDS(snd_seq_event_output) SUCCEEDS(snd_seq_event_output_direct)
SUCCEEDS(snd_seq_free_event) SUCCEEDS(snd_seq_free_queue)
SUCCEEDS(snd_seq_get_any_client_info) SUCCEEDS(snd_seq_get_any_port_info)
SUCCEEDS(snd_seq_get_port_info) SUCCEEDS(snd_seq_get_queue_status)
SUCCEEDS(snd_seq_get_queue_tempo) SUCCEEDS(snd_seq_port_info_get_capability)
SUCCEEDS(snd_seq_port_info_get_port) SUCCEEDS(snd_seq_port_info_set_client)
SUCCEEDS(snd_seq_port_info_set_port) SUCCEEDS(snd_seq_port_info_set_timestamp_queue)
SUCCEEDS(snd_seq_port_info_set_timestamp_real) SUCCEEDS(snd_seq_port_info_set_timestamping)
SUCCEEDS(snd_seq_port_subscribe_set_dest) SUCCEEDS(snd_seq_port_subscribe_set_sender)
SUCCEEDS(snd_seq_query_subscribe_get_addr) SUCCEEDS(snd_seq_query_subscribe_get_index)
SUCCEEDS(snd_seq_query_subscribe_set_index) SUCCEEDS(snd_seq_query_subscribe_set_root)
SUCCEEDS(snd_seq_query_subscribe_set_type) SUCCEEDS(snd_seq_queue_status_get_tick_time)
SUCCEEDS(snd_seq_queue_tempo_set_ppq) SUCCEEDS(snd_seq_queue_tempo_set_skew)
SUCCEEDS(snd_seq_queue_tempo_set_tempo) SUCCEEDS(snd_seq_queue_timer_set_id)
SUCCEEDS(snd_seq_queue_timer_set_type) SUCCEEDS(snd_seq_remove_events)
SUCCEEDS(snd_seq_remove_events_set_channel) SUCCEEDS(snd_seq_remove_events_set_condition)
SUCCEEDS(snd_seq_remove_events_set_queue) SUCCEEDS(snd_seq_remove_events_set_tag)
SUCCEEDS(snd_seq_remove_events_set_time) SUCCEEDS(snd_seq_set_client_name)
SUCCEEDS(snd_seq_set_port_info) SUCCEEDS(snd_seq_set_queue_tempo)
SUCCEEDS(snd_seq_set_queue_timer) SUCCEEDS(snd_seq_subscribe_port)
SUCCEEDS(snd_seq_unsubscribe_port)
