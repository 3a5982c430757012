<?php
// Quillet's address-echo page: answers with the caller's address as bare text,
// with no line break, and asks every cache on the way not to keep the answer.
// A server listening on both families sees an IPv4 caller as ::ffff:a.b.c.d;
// the caller's own address is the IPv4 one.
header('Content-Type: text/plain; charset=us-ascii');
header('Cache-Control: no-store, no-cache, must-revalidate');
header('Pragma: no-cache');
$address = $_SERVER['REMOTE_ADDR'] ?? '';
echo preg_replace('/^::ffff:(\d+\.\d+\.\d+\.\d+)$/i', '$1', $address);
