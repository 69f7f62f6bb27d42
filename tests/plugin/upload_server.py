#!/usr/bin/env python3
"""A hosting service for the upload tests, on 127.0.0.1.

GET /publish?...   the publishing page: an <embed> of the upload plug-in whose
                   parameters are TOURL (this server's /receive), the query's
                   own keys, and any --param NAME=VALUE given here.
GET /fields.pfp    the data stream (the file given with --pfp).
POST /receive      the upload: its body is read by Python's own multipart
                   parser; each part's content is written to OUT/fields/NAME
                   and its headers to OUT/parts.json, the raw request to
                   OUT/request.body and OUT/request.headers.

Prints "port N" once it listens; ends on SIGTERM.
"""
import argparse
import email.parser
import email.policy
import html
import json
import os
import sys
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, HTTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--pfp", required=True)
    ap.add_argument("--param", action="append", default=[])
    ap.add_argument("--delay", type=float, default=0.0)
    args = ap.parse_args()
    os.makedirs(os.path.join(args.out, "fields"), exist_ok=True)

    class Handler(BaseHTTPRequestHandler):
        def log_message(self, *a):
            pass

        def reply(self, status, kind, body):
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            url = urllib.parse.urlsplit(self.path)
            if url.path == "/publish":
                port = self.server.server_address[1]
                params = [("TOURL", f"http://127.0.0.1:{port}/receive")]
                params += urllib.parse.parse_qsl(url.query, keep_blank_values=True)
                params += [tuple(p.split("=", 1)) for p in args.param]
                attrs = " ".join(f'{n}="{html.escape(v)}"' for n, v in params)
                page = ('<html><body><h1>Publish your show</h1>\n'
                        '<embed type="application/x-post-file-protocol" src="fields.pfp" '
                        f'width="200" height="30" {attrs}>\n</body></html>\n')
                self.reply(200, "text/html", page.encode())
            elif url.path == "/fields.pfp":
                with open(args.pfp, "rb") as f:
                    self.reply(200, "application/x-post-file-protocol", f.read())
            else:
                self.reply(404, "text/plain", b"not here\n")

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            with open(os.path.join(args.out, "request.body"), "wb") as f:
                f.write(body)
            with open(os.path.join(args.out, "request.headers"), "w") as f:
                for k, v in self.headers.items():
                    f.write(f"{k}: {v}\n")
            head = ("Content-Type: " + self.headers.get("Content-Type", "") +
                    "\r\nMIME-Version: 1.0\r\n\r\n").encode()
            message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(head + body)
            if not message.is_multipart() or message.defects:
                self.reply(400, "text/plain", f"not a multipart body: {message.defects}\n".encode())
                return
            parts = []
            for part in message.iter_parts():
                name = part.get_param("name", header="content-disposition")
                data = part.get_payload(decode=True) or b""
                with open(os.path.join(args.out, "fields", name), "wb") as f:
                    f.write(data)
                parts.append({"name": name, "filename": part.get_filename(),
                              "headers": [[k, str(v)] for k, v in part.items()],
                              "size": len(data), "defects": len(part.defects)})
            with open(os.path.join(args.out, "parts.json"), "w") as f:
                json.dump(parts, f, indent=1)
            time.sleep(args.delay)
            self.reply(200, "text/html",
                       f"<html><body><p>Thank you: {len(parts)} fields.</p></body></html>".encode())

    server = HTTPServer(("127.0.0.1", 0), Handler)
    print(f"port {server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
