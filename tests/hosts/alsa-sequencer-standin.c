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

int snd_seq_alloc_queue(void) { return 0; }
int snd_seq_client_id(void) { return kClient; }
int snd_seq_client_info_get_client(void) { return 0; }
const char* snd_seq_client_info_get_name(void) { return noName; }
int snd_seq_client_info_set_client(void) { return 0; }
size_t snd_seq_client_info_sizeof(void) { return kRecordSize; }
int snd_seq_close(void) { return 0; }
int snd_seq_control_queue(void) { return 0; }
int snd_seq_create_simple_port(void) { return nextPort++; }
int snd_seq_delete_simple_port(void) { return 0; }
int snd_seq_drain_output(void) { return 0; }
int snd_seq_drop_input(void) { return 0; }
int snd_seq_drop_output(void) { return 0; }
int snd_seq_event_input(void* seq, void** event) {
    (void)seq;
    *event = 0;
    return -EAGAIN;
}
int snd_seq_event_input_pending(void) { return 0; }
int snd_seq_event_output(void) { return 0; }
int snd_seq_event_output_direct(void) { return 0; }
int snd_seq_free_event(void) { return 0; }
int snd_seq_free_queue(void) { return 0; }
int snd_seq_get_any_client_info(void) { return 0; }
int snd_seq_get_any_port_info(void) { return 0; }
int snd_seq_get_port_info(void) { return 0; }
int snd_seq_get_queue_status(void) { return 0; }
int snd_seq_get_queue_tempo(void) { return 0; }
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
int snd_seq_port_info_get_capability(void) { return 0; }
const char* snd_seq_port_info_get_name(void) { return noName; }
int snd_seq_port_info_get_port(void) { return 0; }
int snd_seq_port_info_set_client(void) { return 0; }
int snd_seq_port_info_set_port(void) { return 0; }
int snd_seq_port_info_set_timestamp_queue(void) { return 0; }
int snd_seq_port_info_set_timestamp_real(void) { return 0; }
int snd_seq_port_info_set_timestamping(void) { return 0; }
size_t snd_seq_port_info_sizeof(void) { return kRecordSize; }
int snd_seq_port_subscribe_set_dest(void) { return 0; }
int snd_seq_port_subscribe_set_sender(void) { return 0; }
size_t snd_seq_port_subscribe_sizeof(void) { return kRecordSize; }
int snd_seq_query_next_client(void) { return -ENOENT; }
int snd_seq_query_next_port(void) { return -ENOENT; }
int snd_seq_query_port_subscribers(void) { return -ENOENT; }
int snd_seq_query_subscribe_get_addr(void) { return 0; }
int snd_seq_query_subscribe_get_index(void) { return 0; }
int snd_seq_query_subscribe_set_index(void) { return 0; }
int snd_seq_query_subscribe_set_root(void) { return 0; }
int snd_seq_query_subscribe_set_type(void) { return 0; }
size_t snd_seq_query_subscribe_sizeof(void) { return kRecordSize; }
int snd_seq_queue_status_get_tick_time(void) { return 0; }
size_t snd_seq_queue_status_sizeof(void) { return kRecordSize; }
unsigned snd_seq_queue_tempo_get_skew(void) { return kSkewBase; }
unsigned snd_seq_queue_tempo_get_skew_base(void) { return kSkewBase; }
int snd_seq_queue_tempo_set_ppq(void) { return 0; }
int snd_seq_queue_tempo_set_skew(void) { return 0; }
int snd_seq_queue_tempo_set_tempo(void) { return 0; }
size_t snd_seq_queue_tempo_sizeof(void) { return kRecordSize; }
int snd_seq_queue_timer_set_id(void) { return 0; }
int snd_seq_queue_timer_set_type(void) { return 0; }
size_t snd_seq_queue_timer_sizeof(void) { return kRecordSize; }
int snd_seq_remove_events(void) { return 0; }
int snd_seq_remove_events_set_channel(void) { return 0; }
int snd_seq_remove_events_set_condition(void) { return 0; }
int snd_seq_remove_events_set_queue(void) { return 0; }
int snd_seq_remove_events_set_tag(void) { return 0; }
int snd_seq_remove_events_set_time(void) { return 0; }
size_t snd_seq_remove_events_sizeof(void) { return kRecordSize; }
int snd_seq_set_client_name(void) { return 0; }
int snd_seq_set_port_info(void) { return 0; }
int snd_seq_set_queue_tempo(void) { return 0; }
int snd_seq_set_queue_timer(void) { return 0; }
int snd_seq_subscribe_port(void) { return 0; }
int snd_seq_unsubscribe_port(void) { return 0; }
