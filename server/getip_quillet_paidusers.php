<?php
// Quillet's address-echo page: answers with the caller's address as bare text,
// with no line break, and asks every cache on the way not to keep the answer.
header('Content-Type: text/plain; charset=us-ascii');
header('Cache-Control: no-store, no-cache, must-revalidate');
header('Pragma: no-cache');
echo $_SERVER['REMOTE_ADDR'] ?? '';
