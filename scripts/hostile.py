#!/usr/bin/env python3
"""Replays hostile traffic against a fresh pedidos-servidor on loopback.

    scripts/hostile.py [--curto] [--casos 1,3] [--manter] [SERVIDOR]

Each case starts its own server (a copy of the binary, in a private temporary folder, on a new
database), attacks it, stops it, and prints one line: what was measured, the goal, and "ok" or
"FALHOU". The exit status is 1 when any goal was missed, 2 when the binary is missing.

--curto runs every case smaller and shorter (well under a minute on two cores); --casos runs only
the numbered cases; --manter keeps the temporary folder (databases and server logs) and says where.
Python 3 standard library only.
"""

from __future__ import annotations

import argparse
import ctypes
import gzip
import hashlib
import hmac
import json
import math
import os
import re
import select
import shutil
import signal
import socket
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import zlib
from contextlib import closing
from dataclasses import dataclass, field
from datetime import date, datetime, timedelta
from http.client import HTTPConnection
from itertools import chain, repeat
from pathlib import Path
from typing import Callable, Iterable, Iterator

HOST = "127.0.0.1"
GET = "/datasnap/rest/TModuleOnline/getDados_OnLine"
POST = "/datasnap/rest/TModuleOnline/postDados_OnLine"
KEYS = {"Teste1": b"47261", "Teste2": b"58314"}
KIB = 1024
MIB = 1024 * 1024
# What the server may grow by while it refuses a request, whatever the request's size.
MEMORY_BOUND_MIB = 64
# A normal request must be answered this fast while the server is under attack.
QUICK_S = 1.0
QUICK_GOAL = f"cada requisição normal < {QUICK_S:.0f} s"


# ---------------------------------------------------------------------------------------------------
# The server under test


class Server:
    """One pedidos-servidor process on its own database, stopped however the case ends."""

    def __init__(self, binary: Path, folder: Path, args: Iterable[str] = (), ready_s: float = 60.0):
        folder.mkdir(parents=True)
        self.folder = folder
        self.db_path = folder / "x.db"
        self.log_path = folder / "stderr.log"
        out_path = folder / "stdout.log"
        command = [str(binary), "--host", HOST, "--port", "0", "--db", str(self.db_path), *args]
        with open(out_path, "wb") as out, open(self.log_path, "wb") as log:
            self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=log,
                                            preexec_fn=_die_with_parent)
        self.exit_code: int | None = None
        self.died = False  # it had ended before it was told to stop
        try:
            self.port = self._wait_until_listening(out_path, ready_s)
        except BaseException:
            self.stop()
            raise

    def _wait_until_listening(self, out_path: Path, ready_s: float) -> int:
        deadline = time.monotonic() + ready_s
        while time.monotonic() < deadline:
            found = re.search(r"ouvindo em https?://[^\s]*:(\d+)", out_path.read_text(errors="replace"))
            if found:
                return int(found.group(1))
            if self.process.poll() is not None:
                raise RuntimeError(f"o servidor terminou ao iniciar (código {self.process.returncode}): "
                                   + " | ".join(log_tail(self.log_path, 3)))
            time.sleep(0.02)
        raise RuntimeError(f"o servidor não ficou pronto em {ready_s:.0f} s")

    def rss_kib(self) -> int | None:
        try:
            with open(f"/proc/{self.process.pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except (OSError, ValueError):
            pass
        return None

    def stop(self) -> int:
        if self.exit_code is None:
            self.died = self.process.poll() is not None
            if not self.died:
                self.process.send_signal(signal.SIGTERM)
                try:
                    self.process.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    self.process.kill()
                    self.process.wait()
            self.exit_code = self.process.returncode
        return self.exit_code

    def __enter__(self) -> Server:
        return self

    def __exit__(self, *exc) -> None:
        self.stop()


def log_tail(path: Path, lines: int) -> list[str]:
    # The guesser's log runs to many megabytes: only its end is read.
    try:
        with open(path, "rb") as log:
            log.seek(0, os.SEEK_END)
            log.seek(max(0, log.tell() - 16 * KIB))
            return log.read().decode(errors="replace").splitlines()[-lines:]
    except OSError:
        return []


def _die_with_parent() -> None:
    # A server left behind by a killed run would hold its port and its memory: it gets SIGTERM when
    # this script goes, however it goes.
    try:
        ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class MemoryPeak:
    """Samples the server's resident memory every 20 ms while the block runs."""

    def __init__(self, server: Server):
        self.server = server
        self.idle_kib = server.rss_kib() or 0
        self.peak_kib = self.idle_kib
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._sample, daemon=True)

    def _sample(self) -> None:
        while not self._stop.wait(0.02):
            rss = self.server.rss_kib()
            if rss is not None:
                self.peak_kib = max(self.peak_kib, rss)

    @property
    def above_idle_mib(self) -> float:
        return (self.peak_kib - self.idle_kib) / KIB

    def __enter__(self) -> MemoryPeak:
        self._thread.start()
        return self

    def __exit__(self, *exc) -> None:
        self._stop.set()
        self._thread.join()


# ---------------------------------------------------------------------------------------------------
# Requests


def envelope(table: str, salesperson: str = "Teste1", **extra) -> bytes:
    request = {"REQUISICAO": {"TABLE": table, "EMPRESA": "Teste", "CHAVE_VENDEDOR": salesperson}, **extra}
    return json.dumps({"_parameters": [request]}, separators=(",", ":")).encode()


def order_body(number: int, client_id: str, product_id: str, note: str = "x") -> bytes:
    delivery = (date.today() + timedelta(days=7)).strftime("%d/%m/%Y")
    venda = {"CLI_ID": client_id, "PEDIDO": str(number), "VEN_PAGAMENTO": "BOLETO",
             "VEN_DTA_ENTREGA": delivery, "VEN_TOT_MERCADORIA": "150,00", "VEN_TOT_NOTA": "150,00",
             "VEN_OBSERVACAO": note, "TAB_ID": "0", "VEN_ID": "1", "EMPRESA": "Teste",
             "ITENS_VENDA": [{"VEN_ID": str(number), "PRO_ID": product_id, "IVEN_ORDEM": "1",
                              "IVEN_QTD_PRODUTO": "1,00", "IVEN_VLR_PRODUTO": "150,00",
                              "IVEN_VLR_FLEX": "0,00", "MARCA": "NULL", "TAB_ID": "1"}],
             "FINANCEIRO": [{"CRE_PAGAMENTO": "BOLETO", "CRE_PARCELA": "28"}]}
    return envelope("NOVO_PEDIDO", VENDA0=venda)


def signature(key: bytes, body: bytes, when: int | None = None) -> str:
    when = int(time.time()) if when is None else when
    digest = hmac.new(key, str(when).encode() + b"\n" + body, hashlib.sha256).hexdigest()
    return f"{when}:{digest}"


@dataclass
class Reply:
    status: int | None = None
    body: bytes = b""
    headers: dict[str, str] = field(default_factory=dict)
    seconds: float = 0.0
    error: str = ""  # the transport failure, by its exception's name, when there was no reply

    def decoded(self) -> bytes:
        # Replies are inflated only when read: 200 catalogues at once stay compressed until then.
        return gzip.decompress(self.body) if self.headers.get("content-encoding") == "gzip" else self.body

    def json(self) -> dict:
        return json.loads(self.decoded())


def exchange(conn: HTTPConnection, path: str, body: bytes, headers: dict[str, str] | None = None) -> Reply:
    """One request on conn; a transport failure is returned, not raised, and closes conn."""
    sent_headers = {"Content-Type": "application/json", "Accept": "application/json", **(headers or {})}
    start = time.monotonic()
    try:
        conn.request("POST", path, body, sent_headers)
        response = conn.getresponse()
        data = response.read()
        reply = Reply(response.status, data, {k.lower(): v for k, v in response.getheaders()},
                      time.monotonic() - start)
        if response.will_close:
            conn.close()
    except (OSError, ValueError, EOFError) as e:  # http.client's errors are among these
        conn.close()
        return Reply(seconds=time.monotonic() - start, error=type(e).__name__)
    encoding = reply.headers.get("content-encoding", "identity")
    if encoding not in ("identity", "gzip"):
        reply.error = f"codificação {encoding} não pedida"
    return reply


def post(port: int, path: str, body: bytes, headers: dict[str, str] | None = None,
         timeout: float = 10.0) -> Reply:
    conn = HTTPConnection(HOST, port, timeout=timeout)
    try:
        return exchange(conn, path, body, headers)
    finally:
        conn.close()


def quick_request(port: int) -> Reply:
    return post(port, GET, envelope("VALIDAR_HORA_ENVIO"))


def is_result(reply: Reply) -> bool:
    try:
        return reply.status == 200 and isinstance(reply.json().get("result"), list)
    except (ValueError, OSError, EOFError):  # not JSON, or a broken gzip stream
        return False


def time_quick_requests(port: int, interval: float, count: int = 1000,
                        until: float = math.inf) -> list[Reply]:
    """Normal requests, one at a time on fresh connections, count of them or until that moment."""
    replies: list[Reply] = []
    while len(replies) < count and time.monotonic() < until:
        replies.append(quick_request(port))
        time.sleep(interval)
    return replies


def quick_summary(replies: list[Reply]) -> tuple[str, bool]:
    """Figures for timed normal requests, and whether each was answered well and in time."""
    good = [r for r in replies if is_result(r)]
    seconds = [r.seconds for r in replies]
    text = (f"{len(replies)} requisições normais, máx {max(seconds, default=0):.3f} s, "
            f"mediana {statistics.median(seconds) if seconds else 0:.3f} s")
    if len(good) < len(replies):
        text += f", {len(replies) - len(good)} sem resposta certa " \
                f"({counted(r.error or f'HTTP {r.status}' for r in replies if not is_result(r))})"
    return text, bool(replies) and len(good) == len(replies) and max(seconds) < QUICK_S


def counted(kinds: Iterable[str]) -> str:
    """"a×2, b×1" for the kinds of failure seen."""
    counts: dict[str, int] = {}
    for kind in kinds:
        counts[kind] = counts.get(kind, 0) + 1
    return ", ".join(f"{k}×{n}" for k, n in sorted(counts.items()))


# ---------------------------------------------------------------------------------------------------
# Raw sockets


def connect(port: int, timeout: float = 5.0) -> socket.socket:
    return socket.create_connection((HOST, port), timeout=timeout)


def request_head(path: str, headers: dict[str, str]) -> bytes:
    lines = [f"POST {path} HTTP/1.1", f"Host: {HOST}", *(f"{k}: {v}" for k, v in headers.items())]
    return ("\r\n".join(lines) + "\r\n\r\n").encode()


@dataclass
class Streamed:
    status: int | None
    seconds: float  # from connecting to the reply's head, or to giving up
    sent: int  # bytes the kernel took from us, head included
    error: str


def stream_request(port: int, pieces: Iterable[bytes], limit_s: float) -> Streamed:
    """Sends pieces until the server answers, hangs up or limit_s passes, then reads the reply's head.

    The server is expected to refuse early; what matters is when it did and how much it had taken."""
    start = time.monotonic()
    sock = connect(port)
    sent, received, error = 0, b"", ""
    source: Iterator[bytes] = iter(pieces)
    pending = memoryview(b"")
    sending = True
    try:
        sock.setblocking(False)
        while b"\r\n\r\n" not in received:
            remaining = start + limit_s - time.monotonic()
            if remaining <= 0:
                error = f"sem resposta em {limit_s:.0f} s"
                break
            readable, writable, _ = select.select([sock], [sock] if sending else [], [], remaining)
            if readable:
                try:
                    data = sock.recv(64 * KIB)
                except ConnectionResetError:
                    error = "conexão reiniciada"
                    break
                if not data:
                    error = "conexão fechada sem resposta"
                    break
                received += data
            elif writable:
                if not pending:
                    piece = next(source, None)
                    if piece is None:
                        sending = False
                        continue
                    pending = memoryview(piece)
                try:
                    n = sock.send(pending)
                except (BrokenPipeError, ConnectionResetError):
                    sending = False  # the reply may still be waiting to be read
                    continue
                sent += n
                pending = pending[n:]
    finally:
        sock.close()
    status_line = received.split(b"\r\n", 1)[0]
    found = re.match(rb"HTTP/1\.[01] (\d{3})", status_line)
    return Streamed(int(found.group(1)) if found else None, time.monotonic() - start, sent,
                    error if not found else "")


def chunked(total: int, piece: int = 64 * KIB) -> Iterator[bytes]:
    chunk = f"{piece:x}\r\n".encode() + b"x" * piece + b"\r\n"
    yield from repeat(chunk, total // piece)
    yield b"0\r\n\r\n"


def slices(data: bytes, piece: int = 64 * KIB) -> Iterator[bytes]:
    view = memoryview(data)
    for at in range(0, len(view), piece):
        yield view[at:at + piece]


def closed_by_peer(sock: socket.socket) -> bool:
    if _quiet(sock):
        return False
    try:
        return sock.recv(1, socket.MSG_PEEK) == b""
    except OSError:
        return True


# ---------------------------------------------------------------------------------------------------
# Cases


@dataclass
class Outcome:
    name: str
    figures: str
    goal: str
    ok: bool


@dataclass
class Run:
    binary: Path
    folder: Path
    short: bool
    servers: int = 0
    _bomb: bytes | None = None

    def server(self, *args: str, ready_s: float = 60.0) -> Server:
        self.servers += 1
        return Server(self.binary, self.folder / f"servidor{self.servers}", args, ready_s)

    def bomb(self) -> bytes:
        # 1 GiB of zeros deflates some thousand to one; built once, streamed, never held inflated.
        if self._bomb is None:
            deflate = zlib.compressobj(9, zlib.DEFLATED, 31)
            zeros = bytes(MIB)
            parts = [deflate.compress(zeros) for _ in range(1024)]
            parts.append(deflate.flush())
            self._bomb = b"".join(parts)
        return self._bomb


def outcome(server: Server, name: str, figures: str, goal: str, ok: bool) -> Outcome:
    """The case's line, failed whatever its figures when the server did not survive it or stop cleanly."""
    code = server.stop()
    if server.died:
        figures += f"; o servidor caiu (código {code})"
    elif code != 0:
        figures += f"; o servidor terminou com código {code} ao ser parado"
    return Outcome(name, figures, goal, ok and code == 0)


def case_slow_headers(run: Run) -> list[Outcome]:
    connections, byte_every_s = 16, 3.0
    duration = 8.0 if run.short else 30.0
    head = request_head(GET, {"Content-Type": "application/json"})[:-2] + b"X-Lento: "
    with run.server() as server, MemoryPeak(server) as memory:
        stop = threading.Event()
        cut_after: list[float] = []
        refused: list[str] = []

        def trickle() -> None:
            socks: list[socket.socket | None] = [None] * connections
            opened = [0.0] * connections
            sent = [0] * connections
            due = [time.monotonic() + i * byte_every_s / connections for i in range(connections)]
            try:
                while not stop.is_set():
                    now = time.monotonic()
                    for i in range(connections):
                        if socks[i] is None:
                            try:
                                socks[i] = connect(server.port)
                            except OSError as e:
                                refused.append(type(e).__name__)
                                continue
                            opened[i], sent[i] = now, 0
                        if now >= due[i]:
                            byte = head[sent[i]:sent[i] + 1] or b"a"
                            try:
                                socks[i].send(byte)
                                sent[i] += 1
                            except OSError:
                                pass  # seen as closed just below
                            due[i] = now + byte_every_s
                        if not _quiet(socks[i]):
                            cut_after.append(now - opened[i])
                            socks[i].close()
                            socks[i] = None
                    stop.wait(0.05)
            finally:
                for sock in socks:
                    if sock is not None:
                        sock.close()

        trickler = threading.Thread(target=trickle, daemon=True)
        trickler.start()
        try:
            end = time.monotonic() + duration
            time.sleep(1.0)  # the slow ones are all open first
            replies = time_quick_requests(server.port, 0.5, until=end)
        finally:
            stop.set()
            trickler.join()
        summary, ok = quick_summary(replies)
        figures = (f"{connections} conexões lentas por {duration:.0f} s, {len(cut_after)} cortadas pelo "
                   f"servidor" + (f" (após {statistics.median(cut_after):.1f} s)" if cut_after else "")
                   + (f", {len(refused)} não conectaram" if refused else "")
                   + f"; {summary}; memória +{memory.above_idle_mib:.1f} MiB")
        return [outcome(server, "cabeçalhos lentos", figures, QUICK_GOAL, ok)]


def _quiet(sock: socket.socket) -> bool:
    """True while the server has nothing to say on sock (a reply to half a request is a refusal)."""
    readable, _, _ = select.select([sock], [], [], 0)
    return not readable


def case_idle_connections(run: Run) -> list[Outcome]:
    count = 300 if run.short else 500
    with run.server() as server, MemoryPeak(server) as memory:
        idle: list[socket.socket] = []
        failed: list[str] = []
        try:
            for _ in range(count):
                try:
                    idle.append(connect(server.port))
                except OSError as e:
                    failed.append(type(e).__name__)
            time.sleep(0.5)  # let the server take them all in
            replies = time_quick_requests(server.port, 0.1, count=10)
            closed = sum(closed_by_peer(sock) for sock in idle)
        finally:
            for sock in idle:
                sock.close()
        summary, ok = quick_summary(replies)
        figures = (f"{len(idle)} conexões ociosas abertas, {closed} fechadas pelo servidor"
                   + (f", {len(failed)} não conectaram ({', '.join(sorted(set(failed)))})" if failed else "")
                   + f"; {summary}; memória +{memory.above_idle_mib:.1f} MiB")
        return [outcome(server, "conexões ociosas", figures, QUICK_GOAL, ok)]


def case_large_bodies(run: Run) -> list[Outcome]:
    chunked_head = request_head(POST, {"Content-Type": "application/json", "Transfer-Encoding": "chunked"})
    sizes = [64] if run.short else [64, 512]
    results = []
    for size in sizes:
        with run.server() as server, MemoryPeak(server) as memory:
            streamed = stream_request(server.port, chain([chunked_head], chunked(size * MIB)), 60)
        # The server stops reading past 16 MiB; what it took beyond is what the kernel buffers hold.
        ok = (streamed.status == 413 and streamed.seconds < 2 and streamed.sent < 32 * MIB
              and memory.above_idle_mib <= MEMORY_BOUND_MIB)
        results.append(outcome(
            server, f"corpo de {size} MiB em pedaços",
            f"HTTP {streamed.status or '-'} em {streamed.seconds:.3f} s após {streamed.sent / MIB:.1f} MiB "
            f"enviados{_error(streamed)}; memória +{memory.above_idle_mib:.1f} MiB",
            f"413 em < 2 s, antes de 32 MiB, memória ≤ {MEMORY_BOUND_MIB} MiB", ok))

    head = request_head(POST, {"Content-Type": "application/json", "Content-Length": str(64 * MIB)})
    with run.server() as server, MemoryPeak(server) as memory:
        streamed = stream_request(server.port, chain([head], repeat(b"x" * 64 * KIB, 1024)), 60)
    ok = streamed.status == 413 and streamed.seconds < QUICK_S and memory.above_idle_mib <= MEMORY_BOUND_MIB
    body_sent = max(0, streamed.sent - len(head))
    results.append(outcome(
        server, "corpo de 64 MiB com Content-Length",
        f"HTTP {streamed.status or '-'} em {streamed.seconds:.3f} s após {body_sent / MIB:.1f} "
        f"MiB do corpo enviados{_error(streamed)}; memória +{memory.above_idle_mib:.1f} MiB",
        f"413 em < {QUICK_S:.0f} s, memória ≤ {MEMORY_BOUND_MIB} MiB", ok))
    return results


def _error(streamed: Streamed) -> str:
    return f" ({streamed.error})" if streamed.error else ""


def case_gzip_bomb(run: Run) -> list[Outcome]:
    bomb = run.bomb()
    head = request_head(POST, {"Content-Type": "application/json", "Content-Encoding": "gzip",
                               "Content-Length": str(len(bomb))})
    with run.server() as server, MemoryPeak(server) as memory:
        results: list[Streamed | None] = [None] * 3
        barrier = threading.Barrier(3)

        def attack(i: int) -> None:
            barrier.wait()
            results[i] = stream_request(server.port, chain([head], slices(bomb)), 30)

        threads = [threading.Thread(target=attack, args=(i,), daemon=True) for i in range(3)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    done = [r for r in results if r is not None]
    statuses = "/".join(str(r.status or "-") for r in done)
    slowest = max((r.seconds for r in done), default=0)
    ok = (len(done) == 3 and all(r.status == 415 for r in done) and slowest < QUICK_S
          and memory.above_idle_mib <= MEMORY_BOUND_MIB)
    errors = "; ".join(sorted({r.error for r in done if r.error}))
    return [outcome(server, "bomba gzip ×3",
                    f"{len(bomb) / MIB:.1f} MiB que inflam a 1 GiB; HTTP {statuses}, a mais lenta em "
                    f"{slowest:.3f} s" + (f" ({errors})" if errors else "")
                    + f"; memória +{memory.above_idle_mib:.1f} MiB",
                    f"415 em < {QUICK_S:.0f} s, memória ≤ {MEMORY_BOUND_MIB} MiB", ok)]


def case_many_headers(run: Run) -> list[Outcome]:
    line = lambda i: f"X-Enchimento-{i}: {'a' * 4 * KIB}\r\n".encode()
    head = request_head(POST, {"Content-Type": "application/json", "Content-Length": "2"})[:-2]
    pieces = chain([head], (line(i) for i in range(2000)), [b"\r\n{}"])
    with run.server() as server, MemoryPeak(server) as memory:
        streamed = stream_request(server.port, pieces, 15)
    return [outcome(server, "2000 cabeçalhos de 4 KiB",
                    f"HTTP {streamed.status or '-'} em {streamed.seconds:.3f} s após "
                    f"{streamed.sent / KIB:.0f} KiB enviados{_error(streamed)}; "
                    f"memória +{memory.above_idle_mib:.1f} MiB",
                    "431", streamed.status == 431)]


def case_many_salespeople(run: Run) -> list[Outcome]:
    people, clients, products, tables = (20, 2000, 500, 3) if run.short else (200, 20000, 5000, 10)
    first_order, contested_order = 910001, 990001
    with run.server("--clientes", str(clients), "--produtos", str(products), "--tabelas", str(tables),
                    ready_s=180) as server:
        with MemoryPeak(server) as memory:
            crowd = _crowd(server.port, people, clients, products, first_order)
            contest = _same_order(server.port, 20, contested_order, crowd.client_id, crowd.product_id)
        server.stop()
        stored = _stored_orders(server.db_path, first_order, first_order + people - 1)
        contested_rows = _stored_requests(server.db_path, contested_order)

    accepted = set(crowd.accepted)
    lost = sorted(accepted - stored.keys())
    duplicated = sorted(n for n, rows in stored.items() if rows > 1)
    phantom = sorted(set(stored) - accepted - set(crowd.unknown))
    unknown_stored = sum(n in stored for n in crowd.unknown)
    p50, p99 = _percentile(crowd.cliente_seconds, 50), _percentile(crowd.cliente_seconds, 99)
    crowd_ok = (not crowd.transport_errors and not crowd.bad_replies and len(accepted) == people
                and not lost and not duplicated and not phantom)
    crowd_line = outcome(
        server, f"{people} vendedores ao mesmo tempo",
        f"{clients} clientes e {products} produtos; erros de conexão {len(crowd.transport_errors)}"
        + (f" ({counted(crowd.transport_errors)})" if crowd.transport_errors else "")
        + f", respostas recusadas ou erradas {len(crowd.bad_replies)}"
        + (f" ({counted(crowd.bad_replies)})" if crowd.bad_replies else "")
        + f"; CLIENTE p50 {p50:.2f} s p99 {p99:.2f} s; pedidos aceitos {len(accepted)}/{people}, "
        f"gravados {len(stored)}, perdidos {len(lost)}, duplicados {len(duplicated)}, "
        f"gravados sem aceite {len(phantom)}, "
        f"interrompidos {len(crowd.unknown)} ({unknown_stored} gravados); "
        f"memória +{memory.above_idle_mib:.1f} MiB",
        "0 erros, todos aceitos, nada perdido nem duplicado", crowd_ok)

    winners = [i for i, r in enumerate(contest) if r.status == 200]
    conflicts = sum(r.status == 409 for r in contest)
    others = [r.error or f"HTTP {r.status}" for r in contest if r.status not in (200, 409)]
    winner_stored = (len(winners) == 1 and len(contested_rows) == 1
                     and f'"concorrente {winners[0]}"' in contested_rows[0])
    contest_ok = len(winners) == 1 and conflicts == len(contest) - 1 and winner_stored
    contest_line = outcome(
        server, f"{len(contest)} envios do mesmo pedido",
        f"200×{len(winners)}, 409×{conflicts}"
        + (f", outros×{len(others)} ({counted(others)})" if others else "")
        + f"; {len(contested_rows)} gravado(s)"
        + ("" if winner_stored or len(winners) != 1 else ", não o que recebeu 200"),
        "um 200 e gravado, os demais 409", contest_ok)
    return [crowd_line, contest_line]


@dataclass
class Crowd:
    cliente_seconds: list[float] = field(default_factory=list)
    transport_errors: list[str] = field(default_factory=list)
    bad_replies: list[str] = field(default_factory=list)
    accepted: list[int] = field(default_factory=list)
    unknown: list[int] = field(default_factory=list)  # the connection failed mid-way
    client_id: str = "1"
    product_id: str = "1"


def _crowd(port: int, people: int, clients: int, products: int, first_order: int) -> Crowd:
    """Each salesperson, at the same moment, downloads the catalogue then sends one order."""
    crowd = Crowd()
    lock = threading.Lock()
    barrier = threading.Barrier(people)
    # Parsing a 20,000-client reply takes some hundred MiB in Python: two at a time, not 200.
    parsing = threading.Semaphore(2)
    gz = {"Accept-Encoding": "gzip"}

    def download(table: str) -> Reply | None:
        reply = post(port, GET, envelope(table), gz, timeout=300)
        with lock:
            if reply.error:
                crowd.transport_errors.append(f"{table} {reply.error}")
            elif reply.status != 200:
                crowd.bad_replies.append(f"{table} HTTP {reply.status}")
        return reply if reply.status == 200 and not reply.error else None

    def salesperson(i: int) -> None:
        barrier.wait()
        reply = download("CLIENTE")
        if reply is None:
            return
        with lock:
            crowd.cliente_seconds.append(reply.seconds)
        with parsing:
            count, client_id = _pick(reply, None, "CLIENTE", "COL_ID_CONTROLE", i)
        del reply
        if count != clients:
            with lock:
                crowd.bad_replies.append(f"CLIENTE com {count} clientes")
            return
        reply = download("PRODUTO")
        if reply is None:
            return
        with parsing:
            count, product_id = _pick(reply, "PRODUTOS", "PRODUTOS", "PRO_ID", i)
        del reply
        if count != products:
            with lock:
                crowd.bad_replies.append(f"PRODUTO com {count} produtos")
            return
        number = first_order + i
        reply = post(port, POST, order_body(number, client_id, product_id), gz, timeout=300)
        with lock:
            crowd.client_id, crowd.product_id = client_id, product_id
            if is_result(reply):
                crowd.accepted.append(number)
            elif reply.error:
                crowd.transport_errors.append(f"NOVO_PEDIDO {reply.error}")
                crowd.unknown.append(number)
            else:
                crowd.bad_replies.append(f"NOVO_PEDIDO HTTP {reply.status}")

    _all_at_once(salesperson, people)
    return crowd


def _pick(reply: Reply, inside: str | None, prefix: str, id_key: str, i: int) -> tuple[int, str]:
    """How many numbered members (CLIENTE0.., PRODUTOS0..) the reply's object, or one of its objects,
    holds, and the id of the i-th one (round the list); (0, "") for a reply of another shape."""
    try:
        found = reply.json()["result"][0]
        if inside is not None:
            found = found[inside]
        rows = [v for k, v in found.items() if k.startswith(prefix) and k[len(prefix):].isdigit()]
        return len(rows), str(rows[i % len(rows)][id_key]) if rows else ""
    except (ValueError, OSError, EOFError, KeyError, IndexError, TypeError, AttributeError):
        return 0, ""


def _same_order(port: int, senders: int, number: int, client_id: str, product_id: str) -> list[Reply]:
    """senders post the same order number at once, each with its own note: one order, one winner."""
    replies: list[Reply] = [Reply(error="não enviado")] * senders
    barrier = threading.Barrier(senders)

    def send(i: int) -> None:
        body = order_body(number, client_id, product_id, note=f"concorrente {i}")
        barrier.wait()
        replies[i] = post(port, POST, body, timeout=60)

    _all_at_once(send, senders)
    return replies


def _all_at_once(work: Callable[[int], None], count: int) -> None:
    threads = [threading.Thread(target=work, args=(i,), daemon=True) for i in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def _stored_orders(db_path: Path, first: int, last: int) -> dict[int, int]:
    with _read_only(db_path) as db:
        return dict(db.execute(
            "SELECT ven_pedido, COUNT(*) FROM pedido WHERE emp_codigo = 'Teste' AND ven_id = '1' "
            "AND ven_pedido BETWEEN ? AND ? GROUP BY ven_pedido", (first, last)).fetchall())


def _stored_requests(db_path: Path, number: int) -> list[str]:
    with _read_only(db_path) as db:
        return [row[0] for row in db.execute(
            "SELECT requisicao_json FROM pedido WHERE emp_codigo = 'Teste' AND ven_id = '1' "
            "AND ven_pedido = ?", (number,))]


def _read_only(db_path: Path) -> closing[sqlite3.Connection]:
    return closing(sqlite3.connect(f"file:{db_path}?mode=ro", uri=True))


def _percentile(values: list[float], p: float) -> float:
    if not values:
        return 0.0
    ordered = sorted(values)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def case_wrong_signatures(run: Run) -> list[Outcome]:
    signed = ("--exigir-assinatura", "--permitir-http")
    results = []

    # Refusals must not tell an outsider which salespeople exist nor what was wrong.
    with run.server(*signed) as server:
        body = envelope("VALIDAR_HORA_ENVIO")
        stranger = envelope("VALIDAR_HORA_ENVIO", "Teste9")
        wrong_key = b"00000"
        refusals = {
            "chave errada": post(server.port, GET, body,
                                 {"X-Pedidos-Assinatura": signature(wrong_key, body)}),
            "vendedor inexistente": post(server.port, GET, stranger,
                                         {"X-Pedidos-Assinatura": signature(wrong_key, stranger)}),
            "cabeçalho malformado": post(server.port, GET, body, {"X-Pedidos-Assinatura": "amanhã:zz"}),
            "sem cabeçalho": post(server.port, GET, body),
        }
        # A right signature is let through: the refusals above are not the server refusing everyone.
        right = post(server.port, GET, body, {"X-Pedidos-Assinatura": signature(KEYS["Teste1"], body)})
    bodies = {r.body for r in refusals.values()}
    all_401 = all(r.status == 401 for r in refusals.values())
    ok = all_401 and len(bodies) == 1 and is_result(right)
    figures = ", ".join(f"{why} HTTP {r.status or r.error}" for why, r in refusals.items())
    figures += f"; {len(bodies)} corpo(s) distinto(s); assinatura certa HTTP {right.status or right.error}"
    results.append(outcome(server, "recusas de assinatura", figures,
                           "401 com o mesmo corpo em todas, 200 com a certa", ok))

    # The guess throttle is per address too: the guesser gets a server of its own.
    duration = 15.0 if run.short else 60.0
    guessers = 8
    with run.server(*signed) as server, MemoryPeak(server) as memory:
        checked, waits, others, errors = _guess(server.port, guessers, duration)
    after_free = checked[5:]
    busiest = _busiest_minute(after_free)
    figures = (f"{guessers} conexões por {duration:.0f} s: {len(checked)} conferidas (401), "
               f"{waits} mandadas esperar (429)" + (f", outras {counted(others)}" if others else "")
               + (f", erros de conexão {counted(errors)}" if errors else "")
               + f"; após as 5 primeiras, {len(after_free)} conferidas em {duration:.0f} s, no máximo "
               f"{busiest} em qualquer minuto; memória +{memory.above_idle_mib:.1f} MiB")
    results.append(outcome(server, "adivinhador de chaves", figures,
                           "≤ 10 conferidas por minuto após as 5 primeiras", busiest <= 10 and not others))
    return results


def _guess(port: int, guessers: int, duration: float) -> tuple[list[float], int, list[str], list[str]]:
    """Wrong signatures for Teste1 as fast as guessers connections go, Retry-After ignored.

    Returns when each checked guess was answered, how many were told to wait, other statuses, and
    transport errors."""
    body = envelope("VALIDAR_HORA_ENVIO")
    lock = threading.Lock()
    checked: list[float] = []
    waits = [0]
    others: list[str] = []
    errors: list[str] = []
    start = time.monotonic()
    end = start + duration

    def guess(i: int) -> None:
        conn = HTTPConnection(HOST, port, timeout=10)
        attempt = 0
        try:
            while time.monotonic() < end:
                attempt += 1
                key = f"{(i * 100003 + attempt) % 100000:05d}".encode()
                if key == KEYS["Teste1"]:
                    continue
                reply = exchange(conn, GET, body, {"X-Pedidos-Assinatura": signature(key, body)})
                with lock:
                    if reply.error:
                        errors.append(reply.error)
                    elif reply.status == 401:
                        checked.append(time.monotonic() - start)
                    elif reply.status == 429:
                        waits[0] += 1
                    else:
                        others.append(f"HTTP {reply.status}")
        finally:
            conn.close()

    _all_at_once(guess, guessers)
    return sorted(checked), waits[0], others, errors


def _busiest_minute(times: list[float]) -> int:
    """The most of times within any 60 s (a run shorter than a minute is one minute)."""
    busiest, first = 0, 0
    for last, t in enumerate(times):
        while t - times[first] >= 60:
            first += 1
        busiest = max(busiest, last - first + 1)
    return busiest


CASES: dict[int, tuple[str, Callable[[Run], list[Outcome]]]] = {
    1: ("cabeçalhos lentos", case_slow_headers),
    2: ("conexões ociosas", case_idle_connections),
    3: ("corpos grandes", case_large_bodies),
    4: ("bomba gzip", case_gzip_bomb),
    5: ("cabeçalhos demais", case_many_headers),
    6: ("vendedores ao mesmo tempo", case_many_salespeople),
    7: ("assinaturas erradas", case_wrong_signatures),
}


# ---------------------------------------------------------------------------------------------------


def main() -> int:
    parser = argparse.ArgumentParser(description="Ataques a um pedidos-servidor novo, em loopback.")
    parser.add_argument("servidor", nargs="?", help="o binário (padrão: $PV_SERVER_BIN ou "
                                                     "build/bin/pedidos-servidor)")
    parser.add_argument("--curto", action="store_true", help="casos menores, em bem menos de um minuto")
    parser.add_argument("--casos", help="só estes casos, por número (1 a 7), separados por vírgula")
    parser.add_argument("--manter", action="store_true", help="mantém a pasta temporária (bancos e logs)")
    options = parser.parse_args()

    root = Path(__file__).resolve().parent.parent
    binary = Path(options.servidor or os.environ.get("PV_SERVER_BIN") or root / "build/bin/pedidos-servidor")
    if not binary.is_file():
        print(f"hostile: binário não encontrado: {binary}", file=sys.stderr)
        return 2
    try:
        chosen = sorted({int(n) for n in options.casos.split(",")}) if options.casos else sorted(CASES)
        if not set(chosen) <= CASES.keys():
            raise ValueError
    except ValueError:
        parser.error("--casos espera números de 1 a 7 separados por vírgula")

    # A SIGTERM to this script unwinds like Ctrl-C, so that every server is stopped.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    folder = Path(tempfile.mkdtemp(prefix="hostile-"))
    started = time.monotonic()
    outcomes: list[Outcome] = []
    try:
        # The binary may be rebuilt while the cases run: every server runs this copy.
        copy = folder / "pedidos-servidor"
        shutil.copy2(binary, copy)
        run = Run(copy, folder, options.curto)
        built = datetime.fromtimestamp(copy.stat().st_mtime)
        print(f"hostile: {datetime.now():%Y-%m-%d %H:%M:%S}, binário {binary} (de {built:%Y-%m-%d %H:%M}), "
              f"modo {'curto' if options.curto else 'completo'}", flush=True)
        for number in chosen:
            case_start = time.monotonic()
            servers_before = run.servers
            title, case = CASES[number]
            try:
                lines = case(run)
            except Exception as e:  # a broken case still gets its line, and the others still run
                lines = [Outcome(title, f"não pôde ser feito: {type(e).__name__}: {e}", "-", False)]
            for line in lines:
                print(f"{number}. {line.name}: {line.figures} | meta: {line.goal} | "
                      f"{'ok' if line.ok else 'FALHOU'}", flush=True)
                if not line.ok:
                    _show_logs(folder, servers_before, run.servers)
            outcomes.extend(lines)
            if time.monotonic() - case_start > 300:
                print(f"   (caso {number} levou {time.monotonic() - case_start:.0f} s)", flush=True)
    finally:
        if options.manter:
            print(f"hostile: bancos e logs em {folder}", file=sys.stderr)
        else:
            shutil.rmtree(folder, ignore_errors=True)
    failed = sum(not o.ok for o in outcomes)
    print(f"resumo: {len(outcomes)} casos, {len(outcomes) - failed} ok, {failed} FALHOU, "
          f"{time.monotonic() - started:.0f} s", flush=True)
    return 1 if failed else 0


def _show_logs(folder: Path, first: int, last: int) -> None:
    """The end of each log of the case's servers, on stderr, for whoever reads a failure."""
    for n in range(first + 1, last + 1):
        for line in log_tail(folder / f"servidor{n}" / "stderr.log", 8):
            print(f"   servidor{n}: {line}", file=sys.stderr)


if __name__ == "__main__":
    sys.exit(main())
