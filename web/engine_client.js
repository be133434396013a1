// EngineClient: the page's connection to its engine instance, a WebSocket
// to /engine beside the page. Each connection is a fresh instance on the
// server (layout "2", tables loading); the client reconnects by itself
// after a drop, and says so through onstate, so that the page can select
// its layout again.
//
// The engine answers every text request with exactly one reply, in order,
// and a keyboard request with none. request() therefore queues a resolver
// per text request and hands each reply to the oldest one; send() is for
// keyboard requests. A request pending when the connection drops is
// rejected.

export class EngineClient {
  constructor(url) {
    this.url = url;
    this.socket = null;
    this.pending = [];
    this.state = 'connecting';
    this.closeReason = '';
    this.retryDelay = 250;
    this.onstate = () => {};
    this.connect();
  }

  connect() {
    this.setState('connecting');
    const socket = new WebSocket(this.url);
    this.socket = socket;
    socket.onopen = () => {
      this.retryDelay = 250;
      this.closeReason = '';
      this.setState('open');
    };
    socket.onmessage = (event) => {
      const resolve = this.pending.shift();
      if (!resolve) return;
      try {
        resolve.ok(JSON.parse(event.data));
      } catch (error) {
        resolve.fail(error);
      }
    };
    socket.onclose = (event) => {
      if (this.socket !== socket) return;
      this.closeReason = event.reason || '';
      for (const resolve of this.pending.splice(0)) {
        resolve.fail(new Error('disconnected'));
      }
      this.setState('closed');
      setTimeout(() => this.connect(), this.retryDelay);
      this.retryDelay = Math.min(this.retryDelay * 2, 5000);
    };
  }

  setState(state) {
    this.state = state;
    this.onstate(state);
  }

  // Sends a text request; resolves with the parsed reply.
  request(message) {
    if (this.state !== 'open') {
      return Promise.reject(new Error('not connected'));
    }
    return new Promise((ok, fail) => {
      this.pending.push({ok, fail});
      this.socket.send(JSON.stringify(message));
    });
  }

  // Sends a request that gets no reply (a keyboard request).
  send(message) {
    if (this.state === 'open') this.socket.send(JSON.stringify(message));
  }
}

// The one result of a success reply as {text, candidates, lengths,
// annotations}, each list empty when the engine sent null; null for an
// error reply.
export function parseResult(reply) {
  if (!Array.isArray(reply) || reply[0] !== 'SUCCESS') return null;
  const [text, candidates, lengths, attributes] = reply[1][0];
  return {
    text,
    candidates: candidates || [],
    lengths: lengths || [],
    annotations: (attributes && attributes.annotation) || [],
  };
}
