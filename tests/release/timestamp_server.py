#!/usr/bin/env python3
"""A throwaway RFC 3161 timestamp server for the signing test, on 127.0.0.1:
    timestamp_server.py FOLDER PORT-FILE
FOLDER holds the authority of make_signing_ca.sh (tsa.pem, tsa.key, ca.pem);
each request is answered by `openssl ts -reply`. The port it listens on is
written to PORT-FILE; it serves until it is ended."""
import http.server
import os
import subprocess
import sys
import tempfile

CONFIG = """[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = {folder}/tsa-serial
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
"""


def main():
    folder, port_file = sys.argv[1], sys.argv[2]
    config = os.path.join(folder, "tsa.cnf")
    with open(config, "w", encoding="ascii") as f:
        f.write(CONFIG.format(folder=folder))
    with open(os.path.join(folder, "tsa-serial"), "w", encoding="ascii") as f:
        f.write("01\n")

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):  # noqa: N802 (the library's name)
            query = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            with tempfile.TemporaryDirectory() as work:
                query_file, reply_file = os.path.join(work, "query.tsq"), os.path.join(work, "reply.tsr")
                with open(query_file, "wb") as f:
                    f.write(query)
                made = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", query_file,
                                       "-inkey", os.path.join(folder, "tsa.key"),
                                       "-signer", os.path.join(folder, "tsa.pem"),
                                       "-chain", os.path.join(folder, "ca.pem"), "-out", reply_file],
                                      capture_output=True, check=False)
                if made.returncode != 0:
                    self.send_error(500, made.stderr.decode(errors="replace")[:200])
                    return
                with open(reply_file, "rb") as f:
                    reply = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)

        def log_message(self, *_):
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    with open(port_file, "w", encoding="ascii") as f:
        f.write("%d\n" % server.server_address[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
