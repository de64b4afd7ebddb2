// Between libsoup's server messages and the stand-in's records.
#pragma once

#include <string>

#include <libsoup/soup.h>

#include "records.h"

namespace kesta::test {

// The request as it arrived; path is the decoded path the handler was given,
// query its decoded query (may be null).
RecordedRequest record_message(SoupMessage* message, const char* path, GHashTable* query);

// One line for the log: method, path, query and body.
std::string describe(const RecordedRequest& request);

void set_reply(SoupMessage* message, const Reply& reply);

// Takes the connection from the server, sends the status line, the headers
// and the first half of the reply's body (or, for a reply without body, the
// first half of its head) and closes it.
void cut_connection(SoupClientContext* client, const Reply& reply);

}  // namespace kesta::test
